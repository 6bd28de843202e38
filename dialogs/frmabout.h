#pragma once

#include "ui/aboutui.h"
#include "ui/dialog.h"

// The About box: the program's picture, title and version.
class frmAbout : public ui::Dialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent);

private:
    void Form_Load();
    void cmdOK_Click();

    ui::AboutUi m_ui;
};
