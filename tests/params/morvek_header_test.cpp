// morvek-header, run as a separate program.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "params/header_codec.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString ToolPath()
{
    return qEnvironmentVariable("MORVEK_BINARY_DIR") + QStringLiteral("/tools/morvek-header");
}

ToolRun RunTool(const QStringList& args)
{
    QProcess p;
    p.start(ToolPath(), args);
    ToolRun r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("MORVEK_BINARY_DIR"));
        ASSERT_TRUE(QFile::exists(ToolPath())) << ToolPath().toStdString();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("tk_cfg.h"));
        ASSERT_TRUE(WriteFile(path, kHeader));
    }
    static constexpr const char* kHeader = "/* header */\r\n"
                                           "#define TKLib_TOUCH_NUM        2\r\n"
                                           "#define TKLib_TKLPGroup0_MASK  0x0c // keys 2 and 3\r\n"
                                           "#define TKLib_TK0_F_THRESHOLD  -20\r\n"
                                           "#define EnTk0 1\r\n"
                                           "#define TKLib_OPENED_TK_AMOUNT (EnTk0+EnTk1)\r\n"
                                           "#define TKLib_TKMODE 4\r\n";
    QTemporaryDir dir;
    QString path;
};

TEST_F(ToolTest, ShowListsTheValuesReadInTableOrder)
{
    const ToolRun r = RunTool({"show", path});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "EnTk0=1\nTKLib_TOUCH_NUM=2\nTKLib_TK0_F_THRESHOLD=-20\nTKLib_TKLPGroup0_MASK=12\n");
    EXPECT_TRUE(r.err.isEmpty());
}

TEST_F(ToolTest, ApplyWritesOnlyTheNamedMacrosAndPrintsTheChanges)
{
    const ToolRun r = RunTool({"apply", path, "TKLib_TOUCH_NUM=3", "TKLib_TKLPGroup0_MASK=0x3c", "EnTk0=-5",
                               "TKLib_TKMODE=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("TKLib_TOUCH_NUM: 2 → 3 (第 2 行)\n"
                                                       "TKLib_TKLPGroup0_MASK: 0x0c → 0x3c (第 3 行)\n"
                                                       "EnTk0: 1 → -5 (第 5 行)\n"
                                                       "其余 1 个参数宏的数值不变。\n"
                                                       "文件已导出：")
                                            + path + QStringLiteral("\n共写入 3 个参数宏\n"));
    // TKLib_TKMODE is only defined after the stop line: it is not added.
    EXPECT_EQ(QString::fromUtf8(r.err), QStringLiteral("morvek-header: 文件中没有参数宏 TKLib_TKMODE，未添加\n"));
    EXPECT_EQ(ReadFile(path), "/* header */\r\n"
                              "#define TKLib_TOUCH_NUM \t3\r\n"
                              "#define TKLib_TKLPGroup0_MASK \t0x3c // keys 2 and 3\r\n"
                              "#define TKLib_TK0_F_THRESHOLD  -20\r\n"
                              "#define EnTk0 \t-5\r\n"
                              "#define TKLib_OPENED_TK_AMOUNT (EnTk0+EnTk1)\r\n"
                              "#define TKLib_TKMODE 4\r\n");
    const ToolRun shown = RunTool({"show", path});
    EXPECT_EQ(shown.out, "EnTk0=-5\nTKLib_TOUCH_NUM=3\nTKLib_TK0_F_THRESHOLD=-20\nTKLib_TKLPGroup0_MASK=60\n");
}

TEST_F(ToolTest, DryRunPrintsTheChangesAndWritesNothing)
{
    // The mask is written another way (0x0c) but keeps its value: not a change.
    for (const QStringList& args : {QStringList{"apply", "--dry-run", path, "TKLib_TOUCH_NUM=4", "TKLib_TKLPGroup0_MASK=12"},
                                    QStringList{"apply", path, "TKLib_TOUCH_NUM=4", "TKLib_TKLPGroup0_MASK=12", "--dry-run"}}) {
        const ToolRun r = RunTool(args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("TKLib_TOUCH_NUM: 2 → 4 (第 2 行)\n其余 3 个参数宏的数值不变。\n"
                                                           "试运行，未写入文件：")
                                                + path + QLatin1Char('\n'));
        EXPECT_TRUE(r.err.isEmpty());
        EXPECT_EQ(ReadFile(path), kHeader);
    }
    // Values the file already holds: said so, nothing written, with or without --dry-run.
    const ToolRun same = RunTool({"apply", path, "TKLib_TOUCH_NUM=2", "TKLib_TK0_F_THRESHOLD=-20"});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(same.out), QStringLiteral("文件中已是这些数值，无需写入：") + path + QLatin1Char('\n'));
    EXPECT_EQ(ReadFile(path), kHeader);
}

TEST_F(ToolTest, ErrorsLeaveTheFileUntouched)
{
    struct Case {
        QStringList args;
        int exitCode;
        QByteArray errStart;
    };
    const QString noCfg = dir.filePath(QStringLiteral("settings.h"));
    ASSERT_TRUE(WriteFile(noCfg, kHeader));
    const QString missing = dir.filePath(QStringLiteral("none_cfg.h"));
    const QString readOnly = dir.filePath(QStringLiteral("ro_cfg.h"));
    ASSERT_TRUE(WriteFile(readOnly, kHeader));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
    const QString crOnly = dir.filePath(QStringLiteral("cr_cfg.h"));
    ASSERT_TRUE(WriteFile(crOnly, "#define TKLib_TOUCH_NUM 2\r#define EnTk0 1\r"));
    const std::vector<Case> cases = {
        {{"apply", path, "TKLib_NOPE=1"}, 2, "morvek-header: unknown macro"},
        {{"apply", path, "TKLib_TOUCH_NUM=abc"}, 2, "morvek-header: not a number"},
        {{"apply", path, "TKLib_TOUCH_NUM=3x"}, 2, "morvek-header: not a number"},
        {{"apply", path, "TKLib_TOUCH_NUM="}, 2, "morvek-header: not a number"},
        {{"apply", path, "TKLib_TOUCH_NUM"}, 2, "morvek-header: expected NAME=VALUE"},
        {{"apply", path}, 2, "usage:"},
        {{"apply", "--dry-run", path}, 2, "usage:"},
        {{"frob", path}, 2, "usage:"},
        {{}, 2, "usage:"},
        {{"show", noCfg}, 1, "File Error: " + noCfg.toUtf8()},
        {{"apply", noCfg, "EnTk0=1"}, 1, "File Error: " + noCfg.toUtf8()},
        {{"show", missing}, 1, "Open file failed: " + missing.toUtf8()},
        {{"apply", missing, "EnTk0=1"}, 1, "Open file failed: " + missing.toUtf8()},
        {{"apply", readOnly, "EnTk0=0"}, 1, "Open file failed: " + readOnly.toUtf8()},
        // Lines ended by CR alone: no line by the line-feed rule, so neither read nor patched.
        {{"show", crOnly}, 3, "文件的各行以单独的回车符（CR）结尾：" + crOnly.toUtf8() + "\n"},
        {{"apply", crOnly, "EnTk0=0"}, 3, "文件的各行以单独的回车符（CR）结尾：" + crOnly.toUtf8() + "\n"},
    };
    for (const Case& c : cases) {
        const ToolRun r = RunTool(c.args);
        const std::string what = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        EXPECT_TRUE(r.err.startsWith(c.errStart)) << what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << what;
    }
    EXPECT_EQ(ReadFile(path), kHeader);
    EXPECT_EQ(ReadFile(noCfg), kHeader);
    EXPECT_EQ(ReadFile(readOnly), kHeader);
    EXPECT_EQ(ReadFile(crOnly), "#define TKLib_TOUCH_NUM 2\r#define EnTk0 1\r");
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(ToolTest, ValuesBeyondInt32TakeTheNearestLimit)
{
    const ToolRun r = RunTool({"apply", path, "TKLib_TOUCH_NUM=99999999999", "TKLib_TK0_F_THRESHOLD=-99999999999"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const ToolRun shown = RunTool({"show", path});
    EXPECT_TRUE(shown.out.contains("TKLib_TOUCH_NUM=2147483647\n")) << shown.out.toStdString();
    EXPECT_TRUE(shown.out.contains("TKLib_TK0_F_THRESHOLD=-2147483648\n")) << shown.out.toStdString();
}

} // namespace
