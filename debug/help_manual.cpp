#include "debug/help_manual.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
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

// Where the Chinese characters and their punctuation begin (the radicals, then the ideographs,
// the full-width forms).
constexpr char16_t kCjkFirst = 0x2E80;

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

QHash<char16_t, char16_t> SharedGlyphCorrections(const QString& text, const QFont& font)
{
    QHash<char16_t, char16_t> corrections;
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return corrections;
    // The code point the writer names each glyph by: the lowest the font gives it.
    QList<QChar> all;
    for (char32_t u = 1; u <= 0xFFFF; ++u)
        if (!QChar::isSurrogate(u))
            all << QChar(static_cast<char16_t>(u));
    QList<quint32> glyphs(all.size());
    int count = static_cast<int>(glyphs.size());
    if (!raw.glyphIndexesForChars(all.constData(), static_cast<int>(all.size()), glyphs.data(), &count))
        return corrections;
    QHash<quint32, char16_t> lowest;
    QHash<char16_t, quint32> glyphOf;
    for (int i = 0; i < count; ++i) {
        glyphOf.insert(all[i].unicode(), glyphs[i]);
        if (glyphs[i] && !lowest.contains(glyphs[i]))
            lowest.insert(glyphs[i], all[i].unicode());
    }
    QSet<char16_t> seen;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const quint32 g = glyphOf.value(u);
        if (u < kCjkFirst || !g || seen.contains(u))
            continue;
        seen.insert(u);
        const char16_t named = lowest.value(g);
        if (named != u && !text.contains(QChar(named)))
            corrections.insert(named, u);
    }
    return corrections;
}

int CorrectPdfTextMaps(QByteArray& pdf, const QHash<char16_t, char16_t>& corrections)
{
    if (corrections.isEmpty())
        return 0;
    // The maps are written as text: "<lo> <hi> [<u> <u> ...]" ranges and "<code> <u>" pairs, each
    // UTF-16 unit as four hexadecimal digits. A radical and its ideograph both take four, so the
    // file keeps its length and the offsets of its cross-reference table stay right.
    auto correct = [&corrections](QByteArray& unit) {
        bool ok = false;
        const uint u = unit.toUInt(&ok, 16);
        if (!ok || u > 0xFFFF || !corrections.contains(static_cast<char16_t>(u)))
            return 0;
        unit = QByteArray::number(corrections.value(static_cast<char16_t>(u)), 16).toUpper().rightJustified(4, '0');
        return 1;
    };
    int corrected = 0;
    static const QRegularExpression kMapRef(QStringLiteral("/ToUnicode (\\d+) 0 R"));
    QSet<QByteArray> seen;
    for (auto m = kMapRef.globalMatch(QString::fromLatin1(pdf)); m.hasNext();) {
        const QByteArray id = m.next().captured(1).toLatin1();
        if (seen.contains(id))
            continue;
        seen.insert(id);
        const qsizetype object = pdf.indexOf("\n" + id + " 0 obj");
        const qsizetype start = object < 0 ? -1 : pdf.indexOf("stream\n", object);
        const qsizetype end = start < 0 ? -1 : pdf.indexOf("endstream", start);
        if (end < 0 || pdf.mid(object, start - object).contains("/Filter"))
            continue;
        bool inRanges = false;
        bool inPairs = false;
        qsizetype lineStart = start + 7;
        while (lineStart < end) {
            qsizetype lineEnd = pdf.indexOf('\n', lineStart);
            if (lineEnd < 0 || lineEnd > end)
                lineEnd = end;
            const QByteArray line = pdf.mid(lineStart, lineEnd - lineStart);
            if (line.endsWith("beginbfrange"))
                inRanges = true;
            else if (line.endsWith("beginbfchar"))
                inPairs = true;
            else if (line == "endbfrange" || line == "endbfchar")
                inRanges = inPairs = false;
            else if (inRanges || inPairs) {
                // The destination units: inside the brackets of a range, or the last one of a
                // pair and of a range that maps a single code.
                QList<qsizetype> units;
                for (qsizetype at = line.indexOf('<'); at >= 0; at = line.indexOf('<', at + 1))
                    units << at;
                const qsizetype bracket = line.indexOf('[');
                QList<qsizetype> destinations;
                if (bracket >= 0) {
                    for (qsizetype at : units)
                        if (at > bracket)
                            destinations << at;
                } else if (units.size() == 2 || (units.size() == 3 && line.mid(units[0], 6) == line.mid(units[1], 6))) {
                    destinations << units.last();
                }
                for (qsizetype at : destinations) {
                    if (line.size() < at + 6 || line[at + 5] != '>')
                        continue;
                    QByteArray unit = line.mid(at + 1, 4);
                    if (correct(unit)) {
                        pdf.replace(lineStart + at + 1, 4, unit);
                        ++corrected;
                    }
                }
            }
            lineStart = lineEnd + 1;
        }
    }
    return corrected;
}

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
    // Shaped, the font draws digits after Latin letters ("TK5", "UTF-8") with alternate glyphs
    // that no character maps to, and the PDF's text then lacks them: neither Chinese nor Latin
    // text needs shaping, so every character is drawn with its own glyph.
    font.setStyleStrategy(QFont::PreferNoShaping);
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
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        // The text layout adds 2 cm all round when it prints: the writer adds none of its own.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Morvek"));
        doc.print(&writer);
    }
    CorrectPdfTextMaps(pdf, SharedGlyphCorrections(doc.toPlainText(), font));
    QSaveFile out(pdfPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size())
        return fail(QStringLiteral("cannot write %1: %2").arg(pdfPath, out.errorString()));
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
    return QStringLiteral("无法显示使用说明文档：系统中没有能打开 PDF 文件的程序。\n"
                          "文档位置：%1\n"
                          "可以打开文档所在的文件夹，或复制文档路径，再用其他 PDF 阅读器打开。")
        .arg(QDir::toNativeSeparators(path));
}

QString HelpFolderFailedText(const QString& folder)
{
    return QStringLiteral("也无法打开文件夹：%1\n文档路径已复制到剪贴板。").arg(QDir::toNativeSeparators(folder));
}
