#include "SafeFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// Written in pieces of this size, so a long trace does not sit in memory.
constexpr size_t kBufferBytes = 64 * 1024;
constexpr const char* kTemporarySuffix = ".tmp";

std::atomic<unsigned> temporaryCounter{0};

std::string Reason(int errorNumber) {
    return std::generic_category().message(errorNumber);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a symbolic link names, so that the link survives the rename.
std::string Resolved(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : path;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be synced changes nothing.
void SyncFolder(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        static_cast<void>(::fsync(fd));
        ::close(fd);
    }
}

// A new temporary name of this process for `path`: ".NAME.<pid>.<n>.tmp" beside it.
std::string TemporaryNameFor(const std::string& path) {
    return FolderOf(path) + '.' + NameOf(path) + '.' + std::to_string(getpid()) + '.' +
           std::to_string(temporaryCounter++) + kTemporarySuffix;
}

// Takes the abandoned file `path` over under a temporary name of this process
// (which other processes leave alone while it lives); empty when another
// process or thread took it first.
std::string ClaimAbandonedFile(const std::string& path, const std::string& target) {
    std::string claimed;
    do
        claimed = TemporaryNameFor(FolderOf(path) + target);
    while (::access(claimed.c_str(), F_OK) == 0);
    return ::rename(path.c_str(), claimed.c_str()) == 0 ? claimed : std::string();
}

// "PATH.<pid>.<n>.tmp" parts of a temporary name: the target's name and the writer's pid.
bool ParseTemporaryName(const std::string& name, std::string& target, long& pid) {
    const size_t suffix = name.size() - std::char_traits<char>::length(kTemporarySuffix);
    if (name.size() < 8 || name[0] != '.' ||
        name.compare(suffix, std::string::npos, kTemporarySuffix) != 0)
        return false;
    const size_t counterDot = name.rfind('.', suffix - 1);
    if (counterDot == std::string::npos || counterDot == 0)
        return false;
    const size_t pidDot = name.rfind('.', counterDot - 1);
    if (pidDot == std::string::npos || pidDot <= 1)
        return false;
    char* end = nullptr;
    const std::string pidText = name.substr(pidDot + 1, counterDot - pidDot - 1);
    pid = std::strtol(pidText.c_str(), &end, 10);
    target = name.substr(1, pidDot - 1);
    return !pidText.empty() && *end == '\0' && pid > 0;
}

bool ProcessIsGone(long pid) {
    return pid != static_cast<long>(getpid()) && ::kill(static_cast<pid_t>(pid), 0) != 0 &&
           errno == ESRCH;
}

// Reserves the first free name of NumberedName(base, n); empty with errno set when none.
std::string ReserveNewName(const std::string& base) {
    for (int n = 1; n < 10000; ++n) {
        const std::string name = NumberedName(base, n);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}

} // namespace

SafeFileWriter::SafeFileWriter(std::string target) : target_(std::move(target)) {
    const std::string real = Resolved(target_);
    struct stat info {};
    const bool exists = ::stat(real.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        fail(target_, EISDIR);
        return;
    }
    if (exists && !S_ISREG(info.st_mode)) { // a device or a pipe: nothing to rename over
        fd_ = ::open(real.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0)
            fail(target_, errno);
        return;
    }
    do {
        temporary_ = TemporaryNameFor(real);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EEXIST);
    if (fd_ < 0) {
        fail(target_, errno);
        temporary_.clear();
        return;
    }
    if (exists) // the new file keeps the old one's permissions
        static_cast<void>(::fchmod(fd_, info.st_mode & 07777));
}

SafeFileWriter::~SafeFileWriter() {
    if (!done_)
        discard();
}

bool SafeFileWriter::fail(const std::string& path, int errorNumber) {
    if (error_.empty()) {
        reason_ = Reason(errorNumber);
        error_ = path + ": " + reason_;
    }
    return false;
}

bool SafeFileWriter::write(std::string_view bytes) {
    if (failed() || done_)
        return false;
    buffer_.append(bytes);
    return buffer_.size() < kBufferBytes || flush();
}

bool SafeFileWriter::flush() {
    if (failed() || done_)
        return false;
    if (!WriteAll(fd_, buffer_.data(), buffer_.size()))
        return fail(target_, errno);
    buffer_.clear();
    return true;
}

bool SafeFileWriter::syncAndClose() {
    const bool flushed = flush();
    // A device cannot be synced (EINVAL); for it every write was checked already.
    if (flushed && !temporary_.empty() && ::fsync(fd_) != 0)
        fail(target_, errno);
    if (fd_ >= 0 && ::close(fd_) != 0)
        fail(target_, errno);
    fd_ = -1;
    return !failed();
}

bool SafeFileWriter::commit() {
    if (done_)
        return !failed();
    const bool synced = syncAndClose();
    if (synced && !temporary_.empty() && ::rename(temporary_.c_str(), Resolved(target_).c_str()))
        fail(target_, errno);
    if (failed()) {
        discard();
        return false;
    }
    if (!temporary_.empty())
        SyncFolder(target_);
    done_ = true;
    return true;
}

std::optional<std::string> SafeFileWriter::commitAsNew(const std::string& name) {
    if (!name.empty())
        target_ = FolderOf(temporary_.empty() ? target_ : temporary_) + NameOf(name);
    if (done_ || temporary_.empty())
        return commit() ? std::optional(target_) : std::nullopt;
    if (!syncAndClose()) {
        discard();
        return std::nullopt;
    }
    const std::string reserved = ReserveNewName(target_);
    if (reserved.empty() || ::rename(temporary_.c_str(), reserved.c_str()) != 0) {
        fail(target_, errno);
        if (!reserved.empty())
            ::unlink(reserved.c_str());
        discard();
        return std::nullopt;
    }
    SyncFolder(reserved);
    done_ = true;
    return reserved;
}

void SafeFileWriter::discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    done_ = true;
}

std::string WriteFileSafely(const std::string& path, std::string_view bytes) {
    SafeFileWriter file(path);
    file.write(bytes);
    file.commit();
    return file.error();
}

std::string NumberedName(const std::string& path, int n) {
    if (n < 2)
        return path;
    const size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        dot = path.size();
    return path.substr(0, dot) + '-' + std::to_string(n) + path.substr(dot);
}

std::vector<std::string> RecoverAbandonedFiles(const std::string& folder,
                                               const std::string& extension) {
    std::vector<std::string> recovered;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return recovered;
    while (const dirent* entry = ::readdir(dir)) {
        std::string target;
        long pid = 0;
        const std::string name = entry->d_name;
        if (!ParseTemporaryName(name, target, pid) || target.size() <= extension.size() ||
            target.compare(target.size() - extension.size(), std::string::npos, extension) != 0 ||
            !ProcessIsGone(pid))
            continue;
        // Claimed before a visible name is chosen: runs that start together all
        // find the file, and only the one that claims it may name it, so it
        // gets the first free name.
        const std::string claimed = ClaimAbandonedFile(folder + '/' + name, target);
        if (claimed.empty())
            continue;
        const std::string stem = target.substr(0, target.size() - extension.size());
        const std::string visible = ReserveNewName(folder + '/' + stem + "-incomplete" + extension);
        // A file that cannot be named stays claimed: the first recovery after
        // this process ends finds it again.
        if (!visible.empty() && ::rename(claimed.c_str(), visible.c_str()) == 0)
            recovered.push_back(visible);
        else if (!visible.empty())
            ::unlink(visible.c_str());
    }
    ::closedir(dir);
    return recovered;
}
