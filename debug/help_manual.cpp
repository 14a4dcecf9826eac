#include "debug/help_manual.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

bool RenderManualPdf(const QString& sourcePath, const QString& pdfPath, QString* error)
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

    QTextDocument doc;
    // Chinese text needs a CJK face: Noto on Linux, YaHei or SimSun on Windows.
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun"),
                      QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(sourcePath).absolutePath() + QLatin1Char('/')));
    doc.setHtml(html);

    const QFileInfo target(pdfPath);
    if (!QDir().mkpath(target.absolutePath()))
        return fail(QStringLiteral("cannot create the folder %1").arg(target.absolutePath()));
    QSaveFile out(pdfPath);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(pdfPath, out.errorString()));
    {
        QPdfWriter writer(&out);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Morvek"));
        doc.print(&writer);
    }
    if (!out.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(pdfPath, out.errorString()));
    return true;
}
