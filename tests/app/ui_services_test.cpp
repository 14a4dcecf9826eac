// The real services where they reach outside the program: the shell's opener.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/ui_services.h"

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

namespace {

// An xdg-open of the test's own on the PATH: it exits with the status given.
struct FakeOpener {
    QTemporaryDir dir;
    QByteArray oldPath = qgetenv("PATH");
    explicit FakeOpener(int status)
    {
        QFile script(dir.filePath(QStringLiteral("xdg-open")));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\n[ \"$1\" ] || exit 9\n");
        script.write(status ? "echo 'xdg-open: no method available for opening' >&2\n" : "");
        script.write("exit " + QByteArray::number(status) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", dir.path().toLocal8Bit() + ':' + oldPath);
    }
    ~FakeOpener() { qputenv("PATH", oldPath); }
};

} // namespace

// xdg-open that finds no program for the file's type gives up after it started: that is reported,
// once; an opener that succeeds reports nothing.
TEST(UiServices, AViewerThatGivesUpAfterStartingIsReported)
{
    for (int status : {3, 0}) {
        FakeOpener opener(status);
        int failures = 0;
        ASSERT_TRUE(DefaultUiServices().OpenDocument(QStringLiteral("manual.pdf"), [&] { ++failures; }));
        // The opener has ended once its watcher is gone.
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty());
        EXPECT_EQ(failures, status ? 1 : 0);
    }
}

#endif
