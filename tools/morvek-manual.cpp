// morvek-manual: makes the user manual's pictures from the real windows and renders the manual
// from its HTML source to the PDF the help button opens; also draws the application icon for
// the desktop's icon theme.
//
//   morvek-manual [--pictures DIR] docs/manual/Morvek使用说明.html build/说明文档/Morvek使用说明.pdf
//   morvek-manual --pictures DIR --shots-only [NAME...]
//   morvek-manual --list-shots
//   morvek-manual --icon SIZE OUT.png
//
// With --pictures every picture of the shot list is made into DIR/shots/NAME.png, and the
// manual's <img src="shots/NAME.png"> finds it there. The build runs it; it needs no display
// (use QT_QPA_PLATFORM=offscreen where there is none).

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QCommandLineParser>
#include <QDir>
#include <QSaveFile>
#include <cstdio>

#include "app/resources.h"
#include "debug/help_manual.h"
#include "tools/manual/manual_shots.h"

namespace {

int Fail(const QString& message)
{
    std::fprintf(stderr, "morvek-manual: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// Writes a PNG whole or not at all.
bool SavePng(const QImage& image, const QString& path, QString* error)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}

int MakeShots(const QString& folder, const QStringList& only)
{
    const QString shots = QDir(folder).filePath(QStringLiteral("shots"));
    if (!QDir().mkpath(shots))
        return Fail(QStringLiteral("cannot create the folder %1").arg(shots));
    int made = 0;
    for (const ManualShot& shot : ManualShots()) {
        if (!only.isEmpty() && !only.contains(shot.name))
            continue;
        const QImage image = shot.make();
        if (image.isNull() || image.width() < 16 || image.height() < 16)
            return Fail(QStringLiteral("the picture %1 came out empty").arg(shot.name));
        QString error;
        if (!SavePng(image, QDir(shots).filePath(shot.name + QStringLiteral(".png")), &error))
            return Fail(error);
        ++made;
    }
    if (made < only.size())
        return Fail(QStringLiteral("no such picture among: %1").arg(only.join(QLatin1Char(' '))));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The pictures at twice the pixels, so that they stay sharp in print.
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    // The windows it shows remember nothing of the user's, nor leave anything behind.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Makes the user manual's pictures and renders the manual to PDF."));
    p.addHelpOption();
    const QCommandLineOption pictures(QStringLiteral("pictures"), QStringLiteral("Make the pictures into <dir>/shots and show them in the manual."), QStringLiteral("dir"));
    const QCommandLineOption shotsOnly(QStringLiteral("shots-only"), QStringLiteral("Only make the pictures (all, or those named)."));
    const QCommandLineOption list(QStringLiteral("list-shots"), QStringLiteral("List the pictures."));
    const QCommandLineOption icon(QStringLiteral("icon"), QStringLiteral("Draw the application icon, <size> pixels square, into the PNG file given."), QStringLiteral("size"));
    p.addOptions({pictures, shotsOnly, list, icon});
    p.addPositionalArgument(QStringLiteral("source"), QStringLiteral("The manual's HTML source."));
    p.addPositionalArgument(QStringLiteral("output"), QStringLiteral("The PDF to write."));
    p.process(app);
    const QStringList args = p.positionalArguments();

    if (p.isSet(list)) {
        for (const ManualShot& shot : ManualShots())
            std::printf("%s\t%s\n", qPrintable(shot.name), qPrintable(shot.what));
        return 0;
    }
    if (p.isSet(icon)) {
        bool ok = false;
        const int size = p.value(icon).toInt(&ok);
        if (!ok || size < 8 || size > 1024 || args.size() != 1)
            return Fail(QStringLiteral("usage: morvek-manual --icon SIZE OUT.png"));
        QString error;
        return SavePng(AppIconPixmap(size).toImage(), args[0], &error) ? 0 : Fail(error);
    }
    if (p.isSet(shotsOnly)) {
        if (!p.isSet(pictures))
            return Fail(QStringLiteral("--shots-only needs --pictures DIR"));
        return MakeShots(p.value(pictures), args);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: morvek-manual [--pictures DIR] <source.html> <output.pdf>\n");
        return 2;
    }
    QStringList imageFolders;
    if (p.isSet(pictures)) {
        if (const int rc = MakeShots(p.value(pictures), {}))
            return rc;
        imageFolders << p.value(pictures);
    }
    QString error;
    if (!RenderManualPdf(args[0], args[1], &error, imageFolders))
        return Fail(error);
    return 0;
}
