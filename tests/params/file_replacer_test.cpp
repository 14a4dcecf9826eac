// Replacing a header on disk: a failure at any step leaves the old file byte for byte and no
// temporary file behind; a success keeps mode, owner and group. On a real full file system too,
// when the test may mount one.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "app/zcstatic.h"
#include "common/small_file_system.h"
#include "common/ui_spy.h"
#include "params/dlgsub1.h"
#include "params/failing_writer.h"
#include "app/file_replacer.h"
#include "params/header_codec.h"

namespace {

const QByteArray kHeader = "/* x */\n#define TKLib_TOUCH_NUM 2\n#define EnTk0 1\n#define TKLib_TKCKS 3\n";

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

TEST(HeaderWriter, AFailureAtAnyStepLeavesTheOldFileAndNoTemporaryFile)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the steps are the POSIX calls";
#endif
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x_cfg.h"));
    ASSERT_TRUE(WriteFile(path, kHeader));
    TouchParamSet params;
    params.touchNum = 5;

    struct Case {
        FailingWriter::Step step;
        int error;
        const char* what;
    };
    const Case cases[] = {
        {FailingWriter::Step::Write, ENOSPC, "write, disk full"},
        {FailingWriter::Step::Write, EDQUOT, "write, quota"},
        {FailingWriter::Step::Flush, ENOSPC, "flush, disk full"},
        {FailingWriter::Step::Flush, EIO, "flush, I/O error"},
        {FailingWriter::Step::Commit, EIO, "commit"},
    };
    for (const Case& c : cases) {
        FailingWriter writer(c.step, c.error);
        HeaderExportReport report;
        EXPECT_EQ(ExportHeaderFile(path, params, &report, &writer), HeaderFileError::WriteFailed) << c.what;
        EXPECT_EQ(report.reason, Reason(c.error)) << c.what;
        EXPECT_EQ(ReadFile(path), kHeader) << c.what;
        EXPECT_EQ(Entries(dir.path()), QStringList({"x_cfg.h"})) << c.what;
        EXPECT_EQ(HeaderErrorMessage(HeaderFileError::WriteFailed, path, report.reason),
                  "Write file failed: " + path + "\n" + Reason(c.error));
    }

    // The same writer with nothing to fail goes through its short writes and replaces the file.
    FailingWriter fine(FailingWriter::Step::None, 0);
    EXPECT_EQ(ExportHeaderFile(path, params, nullptr, &fine), HeaderFileError::None);
    EXPECT_EQ(HeaderCodec::Import(ReadFile(path))[FindParamMacro("TKLib_TOUCH_NUM")], 5);
    EXPECT_GT(fine.writes, 4);
    EXPECT_EQ(Entries(dir.path()), QStringList({"x_cfg.h"}));

    // The folder vanished between reading and writing.
    QString reason;
    EXPECT_EQ(DefaultFileReplacer().Replace(dir.filePath(QStringLiteral("gone/x_cfg.h")), kHeader, &reason),
              FileReplacer::Outcome::Failed);
    EXPECT_EQ(reason, Reason(ENOENT));

    // Replace needs the file; Save creates it (mode from the umask) and replaces it the next time.
    const QString fresh = dir.filePath(QStringLiteral("results.csv"));
    EXPECT_EQ(DefaultFileReplacer().Replace(fresh, "a", &reason), FileReplacer::Outcome::Failed);
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(DefaultFileReplacer().Save(fresh, "first", &reason), FileReplacer::Outcome::Replaced);
    EXPECT_EQ(DefaultFileReplacer().Save(fresh, "second", &reason), FileReplacer::Outcome::Replaced);
    EXPECT_EQ(ReadFile(fresh), "second");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(DefaultFileReplacer().Save(dir.filePath(QStringLiteral("gone/r.csv")), "x", &reason),
              FileReplacer::Outcome::Failed);
    EXPECT_EQ(reason, Reason(ENOENT));
}

TEST(HeaderWriter, KeepsModeOwnerGroupAndSymbolicLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("own_cfg.h"));
    ASSERT_TRUE(WriteFile(path, kHeader));
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    // Owned by another user, as a header in a shared checkout exported by root.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(native.constData(), 4321, 8765), 0);
    }
    struct stat before;
    ASSERT_EQ(::stat(native.constData(), &before), 0);

    const QString link = dir.filePath(QStringLiteral("link_cfg.h"));
    ASSERT_TRUE(QFile::link(path, link));
    TouchParamSet params;
    params.touchNum = 7;
    EXPECT_EQ(ExportHeaderFile(link, params), HeaderFileError::None);

    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(HeaderCodec::Import(ReadFile(path))[FindParamMacro("TKLib_TOUCH_NUM")], 7);
    struct stat after;
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);  // a new file took the old one's place
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(Entries(dir.path()), QStringList({"link_cfg.h", "own_cfg.h"}));
}

#ifdef Q_OS_LINUX
TEST(HeaderWriter, AFullFileSystemLeavesTheHeaderIntact)
{
    SmallFileSystem fs;
    if (!fs.mounted())
        GTEST_SKIP() << "needs root and the right to mount a tmpfs";
    const QString path = QDir(fs.path()).filePath(QStringLiteral("x_cfg.h"));
    const QByteArray header = kHeader + QByteArray(3000, ' ') + "\n";  // a few KB, as real headers
    ASSERT_TRUE(WriteFile(path, header));
    ASSERT_TRUE(fs.FillUp());
    const QStringList entries = Entries(fs.path());

    // The page: a message box with the system's reason, the status line as it was.
    UiSpy ui;
    DlgSub1 page(nullptr, &ui);
    ui.nextPath = path;
    page.OnExportHeader();
    EXPECT_EQ(ui.warnings, QStringList({"Write file failed: " + path + "\n" + Reason(ENOSPC)}));
    EXPECT_TRUE(page.controlAs<ZCStatic>(1117)->text().isEmpty());
    EXPECT_EQ(ReadFile(path), header);
    EXPECT_EQ(Entries(fs.path()), entries);

    // The command-line tool: exit status 1, nothing claimed on standard output.
    const QString tool = BuiltTool(QStringLiteral("morvek-header"));
    ASSERT_FALSE(tool.isEmpty());
    QProcess p;
    p.start(tool, {QStringLiteral("apply"), path, QStringLiteral("TKLib_TOUCH_NUM=3")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(p.readAllStandardError().startsWith("Write file failed: " + path.toUtf8()));
    EXPECT_EQ(ReadFile(path), header);
    EXPECT_EQ(Entries(fs.path()), entries);
}
#endif

} // namespace
