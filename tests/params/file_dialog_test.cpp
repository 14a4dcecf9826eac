// The real open-file dialog behind the header import and export, driven as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "params/dlgsub1.h"

namespace {

QStringList Entries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

// The entries read "Source File (*.ash;*.h)" and "All Files (*.*)" while their patterns still
// choose the files listed; a typed name of a file that does not exist reaches the page, which
// answers "Open file failed: " and the path and changes nothing, on disk or on the page.
TEST(FileDialog, FilterNamesAndATypedMissingFileReachThePage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a_cfg.h", "b_cfg.ash", "c.h", "notes.txt"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#define TKLib_TOUCH_NUM 2\n");
    }
    const QStringList before = Entries(dir.path());
    const QString missing = QDir::toNativeSeparators(dir.filePath(QStringLiteral("missing_cfg.h")));

    DlgSub1 page; // the real file dialog and message boxes
    const TouchParamSet record = page.Params();
    QStringList shownFilters, boxes;
    QList<QStringList> patterns;
    QSet<QWidget*> handled;
    // Answers whatever modal window is up: the file dialog once (a second sight of the same
    // dialog means it refused the name and is closed), and any message box.
    QTimer user;
    user.setInterval(10);
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->text();
            box->accept();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (handled.contains(dialog)) {
                dialog->reject();
                return;
            }
            handled.insert(dialog);
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* model = dialog->findChild<QFileSystemModel*>();
            if (!types || !name || !model) {
                ADD_FAILURE() << "not the toolkit's own file dialog";
                dialog->reject();
                return;
            }
            if (dialog->windowTitle().isEmpty())
                ADD_FAILURE() << "the dialog has no title to be known by";
            shownFilters.clear();
            for (int i = 0; i < types->count(); ++i)
                shownFilters << types->itemText(i);
            patterns.clear();
            for (const QString& filter : dialog->nameFilters()) {
                dialog->selectNameFilter(filter);
                patterns << model->nameFilters();
            }
            dialog->selectNameFilter(dialog->nameFilters().value(0));
            dialog->setDirectory(dir.path());
            name->setText(missing);
            // Pressed from outside this handler: a timer does not fire again while its handler
            // runs, and a refusal would open a box inside the key press.
            QTimer::singleShot(0, name, [name] { QTest::keyClick(name, Qt::Key_Return); });
        }
    });
    user.start();

    page.OnExportHeader();
    const std::string failed = ("Open file failed: " + missing + "\n文件不存在。").toStdString();
    EXPECT_EQ(shownFilters.join(QLatin1Char('|')).toStdString(), "Source File (*.ash;*.h)|All Files (*.*)");
    ASSERT_EQ(patterns.size(), 2);
    EXPECT_EQ(patterns[0].join(QLatin1Char(' ')).toStdString(), "*cfg.ash *cfg.h");
    EXPECT_EQ(patterns[1].join(QLatin1Char(' ')).toStdString(), "*");
    EXPECT_EQ(boxes.join(QLatin1Char('|')).toStdString(), failed);

    boxes.clear();
    page.OnImportHeader();
    EXPECT_EQ(boxes.join(QLatin1Char('|')).toStdString(), failed);
    user.stop();

    EXPECT_EQ(handled.size(), 2);
    EXPECT_EQ(Entries(dir.path()), before);
    EXPECT_EQ(page.Params(), record);
    EXPECT_TRUE(page.controlAs<QLabel>(1117)->text().isEmpty());
}
