#include "AppPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(AppPaths, WritableExecutableFolderIsTheProgramFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(ChooseProgramFolder(dir.path()), dir.path());
}

TEST(AppPaths, OtherwiseTheUsersConfigFolderIsCreated) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    // A folder that does not exist cannot be written, also for root.
    const QString folder = ChooseProgramFolder(dir.filePath(QStringLiteral("usr/bin")));
    qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_EQ(folder, dir.filePath(QStringLiteral("config/kestrel")));
    EXPECT_TRUE(QDir(folder).exists());
}

TEST(AppPaths, DecidedOnceAndOverridableForTests) {
    const QString first = ProgramFolder();
    EXPECT_EQ(ProgramFolder(), first);
    EXPECT_EQ(first, ExecutableFolder()); // the build folder is writable
    SetProgramFolderForTesting(QStringLiteral("/tmp/elsewhere"));
    EXPECT_EQ(ProgramFolder(), QStringLiteral("/tmp/elsewhere"));
}

} // namespace
