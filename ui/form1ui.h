#pragma once

class QAction;
class QMenu;
class QWidget;

namespace ui {

class Grid;
class ListBox;
class Toolbar;

// The main window's designed controls, toolbar and popup menus.
class Form1Ui
{
public:
    void setupUi(QWidget* form);

    ListBox* List1 = nullptr;
    Grid* MSFlexGrid1 = nullptr;
    Toolbar* Toolbar1 = nullptr;
    ListBox* List2 = nullptr; // never shown: the codes of List1's folders

    QMenu* Mlist = nullptr;
    QAction* Mlistopen = nullptr;
    QAction* Mlistrename = nullptr;
    QAction* Mlistup = nullptr;
    QAction* s1 = nullptr;
    QAction* Mlistadd = nullptr;
    QAction* MListDelete = nullptr;

    QMenu* mgrid = nullptr;
    QAction* MgridAdd = nullptr;
    QAction* mgridrename = nullptr;
    QAction* mgridDelete = nullptr;
};

} // namespace ui
