// Whole-file writes: the new content in place, or the old file exactly as it was.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/atomic_file.h"

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

TEST(AtomicFile, ReplacesTheFileOrLeavesItAsItWas)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("out.csv");
    QString reason;
    ASSERT_TRUE(WriteFileAtomically(path, "first", &reason)) << reason.toStdString();
    EXPECT_EQ(Read(path), "first");
    ASSERT_TRUE(WriteFileAtomically(path, "second, longer", &reason));
    EXPECT_EQ(Read(path), "second, longer");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"}); // no temporary left

    // A read-only file is refused even where this user could write it anyway.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    EXPECT_FALSE(WriteFileAtomically(path, "third", &reason));
    EXPECT_TRUE(reason.contains("只读"));
    EXPECT_EQ(Read(path), "second, longer");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    // A folder, or a folder that does not exist.
    EXPECT_FALSE(WriteFileAtomically(dir.path(), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());
    reason.clear();
    EXPECT_FALSE(WriteFileAtomically(dir.filePath("none/out.csv"), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());

#if defined(Q_OS_LINUX) || defined(Q_OS_MACOS)
    // The disk fills up part way: the file-size limit makes the write fail as a full disk does.
    const QByteArray big(64 * 1024, 'x');
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileAtomically(path, big, &reason);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_TRUE(reason.contains("磁盘")) << reason.toStdString();
    EXPECT_EQ(Read(path), "second, longer");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"});
#endif
}

} // namespace
