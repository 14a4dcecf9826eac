// The user manual's rendering to PDF.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "debug/help_manual.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(HelpManual, TheManualSourceRendersToAPdfWithChineseFontsEmbedded)
{
    const QString sourceDir = qEnvironmentVariable("MORVEK_SOURCE_DIR");
    if (sourceDir.isEmpty())
        GTEST_SKIP() << "MORVEK_SOURCE_DIR not set";
    const QString source = QDir(sourceDir).filePath(QString::fromUtf8("docs/manual/Morvek使用说明.html"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QString::fromUtf8("说明文档/Morvek使用说明.pdf"));
    QString error;
    ASSERT_TRUE(RenderManualPdf(source, pdf, &error)) << error.toStdString();
    const QByteArray bytes = ReadAll(pdf);
    ASSERT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_GE(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 3); // several pages
    // A CJK face carries the Chinese text (Noto on Linux, YaHei or SimSun on Windows).
    EXPECT_TRUE(bytes.contains("CJK") || bytes.contains("YaHei") || bytes.contains("SimSun"));
}

TEST(HelpManual, FailuresAreReportedAndLeaveNoPartialFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;
    EXPECT_FALSE(RenderManualPdf(dir.filePath("missing.html"), dir.filePath("out.pdf"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("out.pdf")));

    const QString source = dir.filePath("small.html");
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString::fromUtf8("<h1>帮助</h1><p>中文段落。</p>").toUtf8());
    f.close();
    // The folder for the PDF cannot be made: a file stands in its place.
    QFile blocker(dir.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    error.clear();
    EXPECT_FALSE(RenderManualPdf(source, dir.filePath("blocked/out.pdf"), &error));
    EXPECT_FALSE(error.isEmpty());

    error.clear();
    EXPECT_TRUE(RenderManualPdf(source, dir.filePath("ok/out.pdf"), &error)) << error.toStdString();
    EXPECT_TRUE(ReadAll(dir.filePath("ok/out.pdf")).startsWith("%PDF-"));
}
