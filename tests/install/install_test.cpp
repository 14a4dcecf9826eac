// The installation: the build installed into a temporary DESTDIR, the installed program started
// from another folder, the desktop entry and the metadata checked by the desktop's validators.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

#include "app/build_info.h"

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

// Runs a program as over SSH or in a container: no display, no platform named.
Outcome Start(const QString& program, const QStringList& args, const QString& workDir = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        r.err = p.errorString() + QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString Env(const char* name) { return qEnvironmentVariable(name); }

const QString kManual = QString::fromUtf8("Morvek使用说明.pdf");

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_root = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_root->isValid());
        const QString build = Env("MORVEK_BINARY_DIR");
        ASSERT_FALSE(build.isEmpty());
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), Dest());
        install.setProcessEnvironment(env);
        install.start(Env("MORVEK_CMAKE_COMMAND"), {QStringLiteral("--install"), build});
        ASSERT_TRUE(install.waitForFinished(300000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    }
    static void TearDownTestSuite() { s_root.reset(); }

    static QString Dest() { return s_root->filePath(QStringLiteral("dest")); }
    // A folder of the installation, given relative to the prefix.
    static QString Under(const QString& relative)
    {
        return QDir::cleanPath(Dest() + Env("MORVEK_INSTALL_PREFIX") + QLatin1Char('/') + relative);
    }
    static QString Bin(const QString& program) { return Under(Env("MORVEK_INSTALL_BINDIR") + QLatin1Char('/') + program); }
    static QString InstalledManual() { return Under(Env("MORVEK_INSTALL_DOCDIR") + QLatin1Char('/') + kManual); }

    static std::unique_ptr<QTemporaryDir> s_root;
};

std::unique_ptr<QTemporaryDir> Installed::s_root;

} // namespace

TEST_F(Installed, ProgramsManualIconsAndManualPagesLandInTheirFolders)
{
    for (const char* program : {"morvek", "morvek-header", "morvek-board-sim", "morvek-rec"})
        EXPECT_TRUE(QFileInfo(Bin(QString::fromLatin1(program))).isExecutable()) << program;
    // Tools of the build and the developer stay out.
    EXPECT_FALSE(QFile::exists(Bin(QStringLiteral("morvek-manual"))));
    EXPECT_FALSE(QFile::exists(Bin(QStringLiteral("morvek-chart-demo"))));

    QFile manual(InstalledManual());
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly)) << InstalledManual().toStdString();
    EXPECT_TRUE(manual.read(5) == "%PDF-");

    const QString share = Env("MORVEK_INSTALL_DATADIR");
    for (int size : {48, 256}) {
        const QString icon = Under(QStringLiteral("%1/icons/hicolor/%2x%2/apps/%3.png").arg(share).arg(size).arg(MorvekAppId()));
        const QImage image(icon);
        EXPECT_EQ(image.size(), QSize(size, size)) << icon.toStdString();
    }
    if (Env("MORVEK_MAN_PAGES") == QLatin1String("1")) {
        for (const char* program : {"morvek", "morvek-header", "morvek-board-sim", "morvek-rec"}) {
            const QString page = Under(Env("MORVEK_INSTALL_MANDIR") + QStringLiteral("/man1/%1.1").arg(QString::fromLatin1(program)));
            EXPECT_TRUE(QFile::exists(page) || QFile::exists(page + QStringLiteral(".gz"))) << page.toStdString();
        }
        // UTF-8 kept; morvek(1) tells where its manual is.
        const auto page = [](const char* program) {
            const QString path = Under(Env("MORVEK_INSTALL_MANDIR") + QStringLiteral("/man1/%1.1").arg(QString::fromLatin1(program)));
            return Start(QStringLiteral("gzip"), {QStringLiteral("-dcf"), QFile::exists(path) ? path : path + ".gz"}).out;
        };
        EXPECT_TRUE(page("morvek-rec").contains(QString::fromUtf8("录制")));
        EXPECT_TRUE(page("morvek").contains(QString::fromUtf8("/examples/")));
    }
    EXPECT_TRUE(QFile::exists(Under(Env("MORVEK_INSTALL_DOCDIR") + QStringLiteral("/examples/morvek_example_cfg.ash"))));
}

TEST_F(Installed, DesktopEntryAndMetadataPassTheValidators)
{
    const QString share = Env("MORVEK_INSTALL_DATADIR");
    const QString desktop = Under(share + QStringLiteral("/applications/") + MorvekAppId() + QStringLiteral(".desktop"));
    const QString metainfo = Under(share + QStringLiteral("/metainfo/") + MorvekAppId() + QStringLiteral(".metainfo.xml"));
    QFile f(desktop);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text)) << desktop.toStdString();
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("Name=Morvek")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=morvek")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Icon=") + MorvekAppId()));
    EXPECT_TRUE(lines.contains(QStringLiteral("Categories=Development;Electronics;")));
    EXPECT_FALSE(lines.filter(QStringLiteral("Name[zh_CN]=")).isEmpty());
    EXPECT_FALSE(lines.filter(QStringLiteral("Comment=")).isEmpty());
    ASSERT_TRUE(QFile::exists(metainfo)) << metainfo.toStdString();

    const QString desktopValidate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (!desktopValidate.isEmpty()) {
        const Outcome r = Start(desktopValidate, {desktop});
        EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.trimmed().isEmpty()) << r.out.toStdString(); // not even a hint
    }
    if (!appstream.isEmpty()) {
        const Outcome r = Start(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
        EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    }
    if (desktopValidate.isEmpty() || appstream.isEmpty())
        GTEST_SKIP() << "desktop-file-validate or appstreamcli missing (scripts/setup installs them)";
}

// Started from a folder of its own, the installed program finds the installed manual; a manual
// under the current folder comes first; with none anywhere it names the places it looked. All of
// it without a display.
TEST_F(Installed, StartedFromAnotherFolderHelpFindsTheInstalledManual)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString bin = Bin(QStringLiteral("morvek"));
    const auto morvek = [&](const QString& option) { return Start(bin, {option}, work.path()); };

    Outcome r = morvek(QStringLiteral("--manual-path"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QFileInfo(r.out.trimmed()).canonicalFilePath(), QFileInfo(InstalledManual()).canonicalFilePath())
        << r.out.toStdString();

    r = morvek(QStringLiteral("--version"));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Morvek ") + MorvekVersion());
    r = Start(Bin(QStringLiteral("morvek-header")), {QStringLiteral("--version")}, work.path());
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("morvek-header ") + MorvekVersion());
    r = morvek(QStringLiteral("--help"));
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("--manual-path"))) << r.out.toStdString();

    ASSERT_TRUE(QDir(work.path()).mkpath(QString::fromUtf8("说明文档")));
    QFile local(QDir(work.path()).filePath(QString::fromUtf8("说明文档/") + kManual));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.close();
    r = morvek(QStringLiteral("--manual-path"));
    EXPECT_EQ(QFileInfo(r.out.trimmed()).canonicalFilePath(), QFileInfo(local.fileName()).canonicalFilePath());
    ASSERT_TRUE(local.remove());

    // The manual taken away: the places looked at, the installation's among them.
    const QString aside = InstalledManual() + QStringLiteral(".aside");
    ASSERT_TRUE(QFile::rename(InstalledManual(), aside));
    r = morvek(QStringLiteral("--manual-path"));
    QFile::rename(aside, InstalledManual());
    if (QFile::exists(InstalledDocFolder() + QLatin1Char('/') + kManual))
        GTEST_SKIP() << "a manual is installed on this machine";
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QString::fromUtf8("找不到使用说明文档"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(InstalledManual()))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(QDir(work.path()).filePath(QString::fromUtf8("说明文档/") + kManual))));
}
