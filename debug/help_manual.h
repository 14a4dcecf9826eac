#pragma once
// The user manual the help button opens: written as an HTML source in the repository and
// rendered to PDF at build time, with Qt's own text layout and PDF writer, into
// "说明文档/Morvek使用说明.pdf" beside the program; an installation puts it into the
// documentation folder. Also: where the help button looks for it.

#include <QString>
#include <QStringList>

// Renders the HTML file at sourcePath to an A4 PDF at pdfPath (written whole or not at all).
// Relative image paths in the source are resolved against the source's folder, then against each
// of imageFolders (the build's screenshots). Returns false with a message in *error when the
// source cannot be read, an image it shows is missing, or the PDF cannot be written.
bool RenderManualPdf(const QString& sourcePath, const QString& pdfPath, QString* error = nullptr,
                     const QStringList& imageFolders = {});

// The manual relative to the current folder: "说明文档/Morvek使用说明.pdf".
QString HelpDocumentRelativePath();

// Where the help button looks for the manual, in this order: "说明文档/Morvek使用说明.pdf" under
// currentDir; the same under programDir (a build folder, an unpacked Windows installation); the
// installed documentation folder, found from programDir (<prefix>/bin -> <prefix>/share/doc/morvek);
// the documentation folder under the prefix the build was configured with. Absolute, cleaned
// paths, each once.
QStringList HelpDocumentCandidates(const QString& currentDir, const QString& programDir);

// The document the help button opens: the relative path when the manual lies under the current
// folder, otherwise the first candidate that exists; an empty string when there is none. The
// places looked at go into *searched (absolute, in native form).
QString FindHelpDocument(QStringList* searched = nullptr);

// Messages for the user: no manual in any of the places; the viewer could not be started.
QString HelpNotFoundText(const QStringList& searched);
QString HelpOpenFailedText(const QString& path);
