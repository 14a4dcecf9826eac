#include <QApplication>

#include "app/morvek_dlg.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvek"));
    CMorvekDlg dlg;
    dlg.exec();
    return 0;
}
