#pragma once

#include "dialogs/entrydialog.h"

// The new-entry dialog: takes one telephone entry after another for the
// folder the main window shows.
class Form2 : public EntryDialog
{
    Q_OBJECT

public:
    Form2(MainForm& main, QWidget* parent);

    // Empties both boxes for the next entry.
    void Init();

protected:
    void EnableButtons() override;

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
};
