#include "params/dlgsub1.h"

#include "app/ui_services.h"

DlgSub1::DlgSub1(QWidget* parent, UiServices* services)
    : DialogPage(DialogTemplate::Load(QStringLiteral(":/layouts/dlg129.txt")), parent)
{
    Q_UNUSED(services);
}
