#pragma once

#include <QPoint>
#include <QtGlobal>

class Form1;
class QWidget;

namespace ui {
class Grid;
class ListBox;
class Toolbar;
} // namespace ui

// Drives the main window as a user does: through mouse events on its real
// controls, never by calling its handlers.
class User
{
public:
    explicit User(Form1& form);

    ui::ListBox& folders() const { return *m_folders; }
    ui::ListBox& folderCodes() const { return *m_codes; }
    ui::Grid& grid() const { return *m_grid; }

    // The row of List1 showing the folder with this code, or -1.
    int folderRow(qint64 code) const;
    void clickFolder(int row);
    void doubleClickFolder(int row);
    void clickButton(int index);

private:
    QWidget* folderViewport(int row, QPoint& centre);

    Form1& m_form;
    ui::ListBox* m_folders;
    ui::ListBox* m_codes;
    ui::Grid* m_grid;
    ui::Toolbar* m_toolbar;
};
