#pragma once
// The user manual the help button opens: written as an HTML source in the repository and
// rendered to PDF at build time, with Qt's own text layout and PDF writer, into
// "说明文档/Morvek使用说明.pdf" beside the program; an installation puts it into the
// documentation folder. Also: where the help button looks for it.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

class QFont;

// Renders the HTML file at sourcePath to an A4 PDF at pdfPath (written whole or not at all).
// Relative image paths in the source are resolved against the source's folder, then against each
// of imageFolders (the build's screenshots). Returns false with a message in *error when the
// source cannot be read, an image it shows is missing, or the PDF cannot be written.
bool RenderManualPdf(const QString& sourcePath, const QString& pdfPath, QString* error = nullptr,
                     const QStringList& imageFolders = {});

// The PDF writer names each glyph in a font's map to the text (what search, copy and text
// extraction read) by the lowest code point the font gives that glyph. CJK fonts give one glyph
// to an ideograph and the radical it looks like, or to two forms of a punctuation mark, so that 页
// was read as ⻚ (U+2EDA), 文 as ⽂ (U+2F42) and ～ as 〜. SharedGlyphCorrections pairs each
// such lower code point of font with the Chinese character or mark of text that shares its
// glyph; CorrectPdfTextMaps writes those characters into the maps of a PDF and returns how many
// entries it changed.
QHash<char16_t, char16_t> SharedGlyphCorrections(const QString& text, const QFont& font);
int CorrectPdfTextMaps(QByteArray& pdf, const QHash<char16_t, char16_t>& corrections);

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

// Messages for the user: no manual in any of the places; the manual at path (absolute) was found
// but no viewer showed it; its folder could not be opened either, so its path was copied.
QString HelpNotFoundText(const QStringList& searched);
QString HelpOpenFailedText(const QString& path);
QString HelpFolderFailedText(const QString& folder);
