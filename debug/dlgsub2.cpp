#include "debug/dlgsub2.h"

#include "app/ui_services.h"

DlgSub2::DlgSub2(QWidget* parent, UiServices* services)
    : DialogPage(DialogTemplate::Load(QStringLiteral(":/layouts/dlg130.txt")), parent)
{
    Q_UNUSED(services);
}
