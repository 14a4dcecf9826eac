#include "debug/help_manual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "app/build_info.h"

namespace {

const char kManualFolder[] = "说明文档";
const char kManualFile[] = "Morvek使用说明.pdf";

// A document whose relative images are looked up in the source's folder and then in the given
// folders.
class ManualDocument : public QTextDocument {
public:
    explicit ManualDocument(QStringList folders) : m_folders(std::move(folders)) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (type == QTextDocument::ImageResource && name.isRelative()) {
            for (const QString& folder : m_folders) {
                QImage image(QDir(folder).filePath(name.path()));
                if (!image.isNull())
                    return image;
            }
        }
        return QTextDocument::loadResource(type, name);
    }

private:
    QStringList m_folders;
};

// Names of the images the document shows that cannot be loaded.
QStringList MissingImages(QTextDocument& doc)
{
    QStringList missing;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            const QVariant image = doc.resource(QTextDocument::ImageResource, QUrl(name));
            if (!image.isValid() || (image.canConvert<QImage>() && image.value<QImage>().isNull()))
                missing << name;
        }
    return missing;
}

} // namespace

bool RenderManualPdf(const QString& sourcePath, const QString& pdfPath, QString* error, const QStringList& imageFolders)
{
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(sourcePath, source.errorString()));
    const QString html = QString::fromUtf8(source.readAll());
    if (html.trimmed().isEmpty())
        return fail(QStringLiteral("%1 is empty").arg(sourcePath));

    const QString sourceFolder = QFileInfo(sourcePath).absolutePath();
    ManualDocument doc(QStringList{sourceFolder} + imageFolders);
    // Chinese text needs a CJK face: Noto on Linux, YaHei or SimSun on Windows.
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun"),
                      QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    // No base URL: relative names reach loadResource as they stand, and it searches the folders.
    doc.setHtml(html);
    // A missing picture would print as an empty box: refuse instead.
    const QStringList missing = MissingImages(doc);
    if (!missing.isEmpty())
        return fail(QStringLiteral("%1 shows images that cannot be found: %2").arg(sourcePath, missing.join(QStringLiteral(", "))));

    const QFileInfo target(pdfPath);
    if (!QDir().mkpath(target.absolutePath()))
        return fail(QStringLiteral("cannot create the folder %1").arg(target.absolutePath()));
    QSaveFile out(pdfPath);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(pdfPath, out.errorString()));
    {
        QPdfWriter writer(&out);
        writer.setPageSize(QPageSize(QPageSize::A4));
        // The text layout adds 2 cm all round when it prints: the writer adds none of its own.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Morvek"));
        doc.print(&writer);
    }
    if (!out.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(pdfPath, out.errorString()));
    return true;
}

QString HelpDocumentRelativePath()
{
    return QString::fromUtf8(kManualFolder) + QLatin1Char('/') + QString::fromUtf8(kManualFile);
}

QStringList HelpDocumentCandidates(const QString& currentDir, const QString& programDir)
{
    const QString file = QString::fromUtf8(kManualFile);
    const QStringList all{
        QDir(currentDir).absoluteFilePath(HelpDocumentRelativePath()),
        QDir(programDir).absoluteFilePath(HelpDocumentRelativePath()),
        QDir(QDir(programDir).absoluteFilePath(DocFolderFromProgramFolder())).absoluteFilePath(file),
        QDir(InstalledDocFolder()).absoluteFilePath(file),
    };
    QStringList out;
    for (const QString& path : all) {
        const QString clean = QDir::cleanPath(path);
        if (!out.contains(clean))
            out << clean;
    }
    return out;
}

QString FindHelpDocument(QStringList* searched)
{
    const QStringList candidates = HelpDocumentCandidates(QDir::currentPath(), QCoreApplication::applicationDirPath());
    if (searched) {
        searched->clear();
        for (const QString& path : candidates)
            *searched << QDir::toNativeSeparators(path);
    }
    for (int i = 0; i < candidates.size(); ++i)
        if (QFileInfo(candidates[i]).isFile())
            // Under the current folder the path stays relative, as the help button always gave it.
            return i == 0 ? HelpDocumentRelativePath() : candidates[i];
    return {};
}

QString HelpNotFoundText(const QStringList& searched)
{
    return QStringLiteral("找不到使用说明文档 %1，已查找以下位置：\n").arg(QString::fromUtf8(kManualFile))
           + searched.join(QLatin1Char('\n'));
}

QString HelpOpenFailedText(const QString& path)
{
    return QStringLiteral("无法打开使用说明文档：%1\n请确认系统中已安装 PDF 阅读器。").arg(QDir::toNativeSeparators(path));
}
