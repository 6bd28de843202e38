#pragma once

#include "ui/dialog.h"
#include "ui/entrydialogui.h"

class MainForm;

namespace ui {
class TextBox;
}

// What the new-entry and the edit-entry dialogs share: a name box, a number
// box that takes only digits from the keyboard, and the test that refuses a
// number the directory cannot store.
class EntryDialog : public ui::Dialog
{
    Q_OBJECT

public:
    ui::TextBox* Text1() const { return m_ui.Text1; }
    ui::TextBox* Text2() const { return m_ui.Text2; }

protected:
    EntryDialog(MainForm& main, ui::EntryDialogUi::Kind kind, QWidget* parent);

    // Runs on every change of either box, typed or set.
    virtual void EnableButtons() = 0;

    // True when the number box holds a number the directory takes. Otherwise
    // the user is told and false returned.
    bool NumberAccepted();

    MainForm& m_main;
    ui::EntryDialogUi m_ui;

private:
    void Text2_KeyPress(int& KeyAscii);
};
