#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "app/build_info.h"
#include "debug/dlgsub2.h"
#include "debug/help_manual.h"
#include "debug/live_view.h"
#include "shell/morvek_dlg.h"

namespace {

void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = (text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void SetIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Morvek"));
    QCoreApplication::setApplicationVersion(MorvekVersion());
}

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption manualPath{QStringLiteral("manual-path"),
        QStringLiteral("Print where the help button finds the user manual (or the places it looked) and exit.")};
    QCommandLineOption autoRange{QStringLiteral("auto-range"),
        QStringLiteral("Start with the debug page's automatic chart ranges on (remembered, like the box).")};

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Morvek tunes capacitive touch keys (user interface in simplified Chinese): the\n"
            "parameter page edits the touch library's settings and patches its configuration\n"
            "header; the debug page reads a board over a serial port (38400 8N1, receive only),\n"
            "shows live curves and runs a touch measurement.\n"
            "A serial device can be declared as port n with MORVEK_COM<n>=<device path>."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(manualPath);
        parser.addOption(autoRange);
    }
};

// Answers what the command line asks for without a window: the exit status, or -1 when the
// program is to show its window.
int Answer(const CommandLine& cl)
{
    const QCommandLineParser& parser = cl.parser;
    if (parser.isSet(QStringLiteral("help")) || parser.optionNames().contains(QStringLiteral("help-all"))) {
        Print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        Print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        Print(stderr, QStringLiteral("morvek: unexpected argument: ") + parser.positionalArguments().first());
        return 2;
    }
    if (parser.isSet(cl.manualPath)) {
        QStringList searched;
        const QString path = FindHelpDocument(&searched);
        if (path.isEmpty()) {
            Print(stderr, HelpNotFoundText(searched));
            return 1;
        }
        Print(stdout, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        return 0;
    }
    return -1;
}

// The toolkit's own texts (the file dialogs, the standard buttons, the edit fields' context
// menus) in the language of the program's own, simplified Chinese, whatever the system's
// language: from the toolkit's translations folder, or a "translations" folder beside the program
// (a Windows installation). Without them those texts stay in English.
void InstallToolkitTranslations(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
    for (const QString& folder : folders)
        if (translator->load(chinese, QStringLiteral("qt"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
    delete translator;
}

} // namespace

int main(int argc, char** argv)
{
    // What only prints something is answered before anything of the window system is touched,
    // so that --help, --version and --manual-path work over SSH, in a container or in CI, where
    // there is no display. An option this parser does not know may be one of the toolkit's own
    // (-platform, -style, ...): the application below takes those out before parsing again.
    {
        QCoreApplication core(argc, argv);
        SetIdentity();
        CommandLine cl;
        if (cl.parser.parse(QCoreApplication::arguments())) {
            const int status = Answer(cl);
            if (status >= 0)
                return status;
        }
    }

    QApplication app(argc, argv);
    SetIdentity();
    // Lets the desktop match the window with the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(MorvekAppId());
    InstallToolkitTranslations(app);

    CommandLine cl;
    cl.parser.process(app);
    const int status = Answer(cl);
    if (status >= 0)
        return status;

    CMorvekDlg dlg;
    if (cl.parser.isSet(cl.autoRange))
        dlg.DebugPage()->View().SetAutoRange(true);
    dlg.exec();
    return 0;
}
