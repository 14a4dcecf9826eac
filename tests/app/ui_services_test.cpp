// The real services where they reach outside the program: the shell's opener.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/ui_services.h"

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

// xdg-open that finds no program for the file's type gives up after it started (status 3): that
// is reported, once; an opener that succeeds reports nothing.
TEST(UiServices, AViewerThatGivesUpAfterStartingIsReported)
{
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);
    for (int status : {3, 0}) {
        QFile opener(bin.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly | QIODevice::Truncate));
        opener.write("#!/bin/sh\nexit " + QByteArray::number(status) + "\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        int failures = 0;
        ASSERT_TRUE(DefaultUiServices().OpenDocument(QStringLiteral("manual.pdf"), [&] { ++failures; }));
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty()); // it has ended
        EXPECT_EQ(failures, status ? 1 : 0);
    }
    qputenv("PATH", path);
}

#endif
