// morvek-manual: renders the user manual from its HTML source to the PDF the help button opens.
//
//   morvek-manual docs/manual/Morvek使用说明.html build/说明文档/Morvek使用说明.pdf
//
// The build runs it; it needs no display (use QT_QPA_PLATFORM=offscreen where there is none).

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "debug/help_manual.h"

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: morvek-manual <source.html> <output.pdf>\n");
        return 2;
    }
    QString error;
    if (!RenderManualPdf(args[1], args[2], &error)) {
        std::fprintf(stderr, "morvek-manual: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
