#pragma once
// The parameter page, tab "参数设定".

#include "app/dialog_page.h"

class UiServices;

class DlgSub1 : public DialogPage {
    Q_OBJECT
public:
    explicit DlgSub1(QWidget* parent = nullptr, UiServices* services = nullptr);
};
