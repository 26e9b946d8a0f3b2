// The one write function against targets that cannot take the new content:
// the old file must stay byte-identical and no temporary file may be left.

#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string kOld = "old content, kept byte for byte\n";

std::string Read(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<none>");
}

void Write(const std::string& path, const std::string& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// A small file system of its own (root only; elsewhere the cases that need it skip).
class Tmpfs {
public:
    explicit Tmpfs(const QString& at, const char* options) : at_(at.toStdString()) {
        QDir().mkpath(at);
        mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, options) == 0;
    }
    ~Tmpfs() {
        if (mounted_)
            ::umount2(at_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly() {
        return ::mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string at_;
    bool mounted_ = false;
};

class SafeFileTest : public ::testing::Test {
public:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    QStringList entries(const std::string& folder) const {
        return QDir(QString::fromStdString(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

TEST_F(SafeFileTest, ReplacesTheFileKeepingItsPermissionsAndLinks) {
    const std::string target = path("a.ini");
    Write(target, kOld);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(target.c_str(), path("link.ini").c_str()), 0);

    EXPECT_EQ(WriteFileSafely(path("link.ini"), "new\n"), "");
    EXPECT_EQ(Read(target), "new\n");
    struct stat info {};
    ASSERT_EQ(::lstat(path("link.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link was replaced by a file";
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(dir.path().toStdString()), QStringList({"a.ini", "link.ini"}));
}

// Each case makes a target that cannot take the new content and names the reason expected.
struct FailingTarget {
    const char* name;
    std::function<std::string(SafeFileTest&, std::unique_ptr<Tmpfs>&)> make; // "" skips
    const char* reason;
};

TEST_F(SafeFileTest, AFailedWriteLeavesTheOldFileAsItWas) {
    const std::string big(256 * 1024, 'x');
    const FailingTarget cases[] = {
        {"full file system",
         [](SafeFileTest& t, std::unique_ptr<Tmpfs>& fs) {
             fs = std::make_unique<Tmpfs>(t.dir.filePath("small"), "size=64k");
             if (!fs->mounted())
                 return std::string();
             const std::string target = t.path("small/keep.ini");
             Write(target, kOld);
             return target;
         },
         "No space left on device"},
        {"read-only folder",
         [](SafeFileTest& t, std::unique_ptr<Tmpfs>& fs) {
             const QString folder = t.dir.filePath("ro");
             const std::string target = (folder + "/keep.ini").toStdString();
             if (::geteuid() != 0) { // permissions hold for anyone but root
                 QDir().mkpath(folder);
                 Write(target, kOld);
                 ::chmod(folder.toLocal8Bit(), 0555);
                 return target;
             }
             fs = std::make_unique<Tmpfs>(folder, "size=1m");
             if (!fs->mounted())
                 return std::string();
             Write(target, kOld);
             return fs->makeReadOnly() ? target : std::string();
         },
         "Read-only file system"},
        {"directory as target",
         [](SafeFileTest& t, std::unique_ptr<Tmpfs>&) {
             QDir().mkpath(t.dir.filePath("folder.ini"));
             Write(t.path("folder.ini/inside"), kOld);
             return t.path("folder.ini");
         },
         "Is a directory"},
        {"missing folder", [](SafeFileTest& t, std::unique_ptr<Tmpfs>&) { return t.path("no/x"); },
         "No such file or directory"},
    };
    for (const FailingTarget& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Tmpfs> fs;
        const std::string target = c.make(*this, fs);
        if (target.empty()) {
            std::printf("[ SKIPPED  ] %s: cannot mount a tmpfs here\n", c.name);
            continue;
        }
        const std::string before = Read(target);
        const QStringList entriesBefore = entries(target.substr(0, target.rfind('/')));
        const std::string error = WriteFileSafely(target, big);
        EXPECT_EQ(error, target + ": " + c.reason);
        EXPECT_EQ(Read(target), before);
        EXPECT_EQ(entries(target.substr(0, target.rfind('/'))), entriesBefore);
        ::chmod(dir.filePath("ro").toLocal8Bit(), 0755);
    }
}

TEST_F(SafeFileTest, ADeviceIsWrittenDirectlyWithEveryWriteChecked) {
    EXPECT_EQ(WriteFileSafely("/dev/full", "x"), "/dev/full: No space left on device");
    EXPECT_EQ(WriteFileSafely("/dev/null", "x"), "");
    EXPECT_FALSE(QFile::exists("/dev/.full.tmp"));
}

TEST_F(SafeFileTest, NewFilesTakeTheFirstFreeNumberedName) {
    const struct {
        const char* path;
        int n;
        const char* expected;
    } names[] = {{"a/b.csv", 1, "a/b.csv"},     {"a/b.csv", 2, "a/b-2.csv"},
                 {"a.b/c", 3, "a.b/c-3"},       {"a/.hidden", 2, "a/.hidden-2"},
                 {"x.tar.gz", 2, "x.tar-2.gz"}, {"plain", 4, "plain-4"}};
    for (const auto& n : names)
        EXPECT_EQ(NumberedName(n.path, n.n), n.expected) << n.path;

    std::vector<std::string> taken;
    for (int i = 0; i < 3; ++i) {
        SafeFileWriter file(path("r.csv"));
        file.write(std::to_string(i));
        const std::optional<std::string> name = file.commitAsNew();
        ASSERT_TRUE(name.has_value()) << file.error();
        taken.push_back(*name);
    }
    EXPECT_EQ(taken, std::vector<std::string>({path("r.csv"), path("r-2.csv"), path("r-3.csv")}));
    EXPECT_EQ(Read(path("r-2.csv")), "1");
}

TEST_F(SafeFileTest, TemporaryFilesOfDeadWritersBecomeVisible) {
    // A pid above the kernel's limit belongs to no process.
    Write(path(".demo-20240309-140307.log.2147483600.0.tmp"), "(1.0) can0 123#11 T\n");
    Write(path("demo-20240309-140307-incomplete.log"), "an older one");
    Write(path(".own.log." + std::to_string(::getpid()) + ".7.tmp"), "still being written");
    Write(path(".other.csv.2147483600.0.tmp"), "not a trace");
    const std::vector<std::string> recovered =
        RecoverAbandonedFiles(dir.path().toStdString(), ".log");
    EXPECT_EQ(recovered, std::vector<std::string>({path("demo-20240309-140307-incomplete-2.log")}));
    EXPECT_EQ(Read(recovered[0]), "(1.0) can0 123#11 T\n");
    EXPECT_EQ(entries(dir.path().toStdString()).size(), 4);
}

// Several runs that start at once all find the same abandoned trace: it must
// end up once, under the first free name.
TEST_F(SafeFileTest, RunsRecoveringAtOnceRecoverEachAbandonedFileOnce) {
    const std::string folder = dir.path().toStdString();
    for (int round = 0; round < 500; ++round) {
        SCOPED_TRACE(round);
        Write(path(".t.log.2147483600.0.tmp"), "(1.0) can0 123#11 T\n");
        std::vector<std::vector<std::string>> recovered(4);
        std::vector<std::thread> runs;
        for (auto& names : recovered)
            runs.emplace_back([&folder, &names] { names = RecoverAbandonedFiles(folder, ".log"); });
        for (std::thread& run : runs)
            run.join();
        std::vector<std::string> all;
        for (const auto& names : recovered)
            all.insert(all.end(), names.begin(), names.end());
        ASSERT_EQ(all, std::vector<std::string>({path("t-incomplete.log")}));
        ASSERT_EQ(entries(folder), QStringList({"t-incomplete.log"}));
        EXPECT_EQ(Read(all[0]), "(1.0) can0 123#11 T\n");
        ASSERT_EQ(::unlink(all[0].c_str()), 0);
    }
}

TEST_F(SafeFileTest, ADiscardedWriterLeavesNothing) {
    Write(path("k.ini"), kOld);
    {
        SafeFileWriter file(path("k.ini"));
        file.write("half");
    }
    EXPECT_EQ(Read(path("k.ini")), kOld);
    EXPECT_EQ(entries(dir.path().toStdString()), QStringList({"k.ini"}));
}

} // namespace
