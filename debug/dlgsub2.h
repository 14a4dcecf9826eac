#pragma once
// The debug page, tab "调试".

#include "app/dialog_page.h"

class UiServices;

class DlgSub2 : public DialogPage {
    Q_OBJECT
public:
    explicit DlgSub2(QWidget* parent = nullptr, UiServices* services = nullptr);
};
