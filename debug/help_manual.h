#pragma once
// The user manual the help button opens: written as an HTML source in the repository and
// rendered to PDF at build time, with Qt's own text layout and PDF writer, into
// "说明文档/Morvek使用说明.pdf" beside the program.

#include <QString>

// Renders the HTML file at sourcePath to an A4 PDF at pdfPath (written whole or not at all).
// Relative image paths in the source are resolved against the source's folder. Returns false
// with a message in *error when the source cannot be read or the PDF cannot be written.
bool RenderManualPdf(const QString& sourcePath, const QString& pdfPath, QString* error = nullptr);
