// The user manual's rendering to PDF.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

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
    const QString binaryDir = qEnvironmentVariable("MORVEK_BINARY_DIR");
    if (sourceDir.isEmpty() || binaryDir.isEmpty())
        GTEST_SKIP() << "MORVEK_SOURCE_DIR or MORVEK_BINARY_DIR not set";
    const QString source = QDir(sourceDir).filePath(QString::fromUtf8("docs/manual/Morvek使用说明.html"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QString::fromUtf8("说明文档/Morvek使用说明.pdf"));
    QString error;
    // With the pictures the build made of the program.
    ASSERT_TRUE(RenderManualPdf(source, pdf, &error, {QDir(binaryDir).filePath("manual")})) << error.toStdString();
    const QByteArray bytes = ReadAll(pdf);
    ASSERT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_GE(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 3); // several pages
    EXPECT_GE(bytes.count("/Subtype /Image"), 5);
    // A CJK face carries the Chinese text (Noto on Linux, YaHei or SimSun on Windows).
    EXPECT_TRUE(bytes.contains("CJK") || bytes.contains("YaHei") || bytes.contains("SimSun"));
}

// The built manual's text layer (what search, copy and pdftotext read) holds the text written in
// the source: each character as written (no radical standing in for the ideograph that shares its
// glyph, no digit left out), and a sample of whole sentences.
TEST(HelpManual, TheBuiltManualsTextReadsAsItsSource)
{
    const QString sourceDir = qEnvironmentVariable("MORVEK_SOURCE_DIR");
    const QString binaryDir = qEnvironmentVariable("MORVEK_BINARY_DIR");
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (sourceDir.isEmpty() || binaryDir.isEmpty() || pdftotext.isEmpty())
        GTEST_SKIP() << "MORVEK_SOURCE_DIR, MORVEK_BINARY_DIR or pdftotext (scripts/setup installs it) missing";
    QProcess extract;
    extract.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                              QDir(binaryDir).filePath(QString::fromUtf8("说明文档/Morvek使用说明.pdf")), QStringLiteral("-")});
    ASSERT_TRUE(extract.waitForFinished(60000));
    ASSERT_EQ(extract.exitCode(), 0) << extract.readAllStandardError().toStdString();
    QString extracted = QString::fromUtf8(extract.readAllStandardOutput());
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(ReadAll(QDir(sourceDir).filePath(QString::fromUtf8("docs/manual/Morvek使用说明.html")))));
    QString written = doc.toPlainText();

    // Line and page breaks fall elsewhere than in the source: compared without white space (and
    // the pictures' places in the source).
    static const QRegularExpression space(QStringLiteral("[\\s\\x{FFFC}]+"));
    extracted.remove(space);
    written.remove(space);
    for (const QChar c : extracted)
        ASSERT_TRUE(written.contains(c)) << "not in the source: " << QString(c).toStdString();
    const QStringList sentences = written.split(QString::fromUtf8("。"), Qt::SkipEmptyParts);
    ASSERT_GT(sentences.size(), 140);
    for (int i = 0; i < sentences.size(); i += 7)
        EXPECT_TRUE(extracted.contains(sentences[i])) << sentences[i].toStdString();
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

// Pictures: found beside the source or in the extra folders; one that is nowhere fails the
// rendering instead of printing an empty box.
TEST(HelpManual, PicturesComeFromTheImageFoldersAndAMissingOneFails)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("pictures/shots"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(dir.filePath("pictures/shots/page.png")));
    const QString source = dir.filePath("manual.html");
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString::fromUtf8("<p>调试页：</p><p><img src=\"shots/page.png\" width=\"300\"></p>").toUtf8());
    f.close();

    QString error;
    EXPECT_FALSE(RenderManualPdf(source, dir.filePath("a.pdf"), &error));
    EXPECT_TRUE(error.contains("shots/page.png")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("a.pdf")));

    error.clear();
    ASSERT_TRUE(RenderManualPdf(source, dir.filePath("b.pdf"), &error, {dir.filePath("pictures")})) << error.toStdString();
    EXPECT_TRUE(ReadAll(dir.filePath("b.pdf")).contains("/Subtype /Image"));
}

// Where help looks: the current folder, beside the program, then the documentation folder of an
// installation found from the program's folder (bin/ -> share/doc/morvek/), each place once.
TEST(HelpManual, HelpLooksInTheCurrentFolderBesideTheProgramAndInTheInstallation)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString prefix = dir.filePath("opt/morvek");
    const QString bin = prefix + "/bin";
    const QString work = dir.filePath("work");
    const QString relative = QString::fromUtf8("说明文档/Morvek使用说明.pdf");
    const QStringList places = HelpDocumentCandidates(work, bin);
    ASSERT_GE(places.size(), 3);
    EXPECT_EQ(places[0], QDir(work).filePath(relative));
    EXPECT_EQ(places[1], QDir(bin).filePath(relative));
    EXPECT_EQ(places[2], prefix + QString::fromUtf8("/share/doc/morvek/Morvek使用说明.pdf"));
    EXPECT_EQ(places.size(), QSet<QString>(places.begin(), places.end()).size());
    // Started from the program's own folder, that folder is looked at once.
    EXPECT_EQ(HelpDocumentCandidates(bin, bin).count(QDir(bin).filePath(relative)), 1);

    const QString notFound = HelpNotFoundText({"/a/x.pdf", "/b/x.pdf"});
    EXPECT_TRUE(notFound.contains("/a/x.pdf\n/b/x.pdf"));
}
