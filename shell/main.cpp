#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "app/build_info.h"
#include "debug/help_manual.h"
#include "shell/morvek_dlg.h"

namespace {

void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvek"));
    QApplication::setApplicationVersion(MorvekVersion());
    // Lets the desktop match the window with the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(MorvekAppId());

    // Qt's own options (-platform, -style, ...) are taken out by QApplication before this.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Morvek tunes capacitive touch keys (user interface in simplified Chinese): the\n"
        "parameter page edits the touch library's settings and patches its configuration\n"
        "header; the debug page reads a board over a serial port (38400 8N1, receive only),\n"
        "shows live curves and runs a touch measurement.\n"
        "A serial device can be declared as port n with MORVEK_COM<n>=<device path>."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption manualPath(QStringLiteral("manual-path"),
        QStringLiteral("Print where the help button finds the user manual (or the places it looked) and exit."));
    parser.addOption(manualPath);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        Print(stderr, QStringLiteral("morvek: unexpected argument: ") + parser.positionalArguments().first());
        return 2;
    }

    if (parser.isSet(manualPath)) {
        QStringList searched;
        const QString path = FindHelpDocument(&searched);
        if (path.isEmpty()) {
            Print(stderr, HelpNotFoundText(searched));
            return 1;
        }
        Print(stdout, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        return 0;
    }

    CMorvekDlg dlg;
    dlg.exec();
    return 0;
}
