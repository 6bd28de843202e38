#pragma once

class QString;

namespace ui {
class Grid;
}

// What the dialogs need of the main window: they hand an accepted entry back
// by calling it, and the edit dialog reads the selected row of its grid.
class MainForm
{
public:
    // Stores the entry typed into the new-entry dialog and shows it in the grid.
    virtual void NewDataDo() = 0;
    // Stores the edit made in the edit-entry dialog and refills the grid.
    virtual void GridRename() = 0;
    virtual const ui::Grid& MSFlexGrid1() const = 0;
    // Whether the directory takes this text as a telephone number; the rule
    // is the record store's, which the dialogs do not reach themselves.
    virtual bool AcceptsNumber(const QString& number) const = 0;
    // Shows and activates the main window.
    virtual void Show() = 0;

protected:
    ~MainForm() = default;
};
