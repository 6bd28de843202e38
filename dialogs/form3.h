#pragma once

#include "dialogs/entrydialog.h"

// The edit-entry dialog: changes the name and number of the telephone entry
// selected in the main window's grid.
class Form3 : public EntryDialog
{
    Q_OBJECT

public:
    Form3(MainForm& main, QWidget* parent);

    // Copies the grid's selected row into the two boxes.
    void Init();

protected:
    void EnableButtons() override;

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
};
