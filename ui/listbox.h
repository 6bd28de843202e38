#pragma once

#include "ui/tagged.h"

#include <QListView>

namespace ui {

class ListModel;

// An unsorted list of texts: items stay in the order added, indexes count
// from 0 and ListIndex() is -1 while nothing is selected. Made inside the
// window it is shown in, whose focus it follows.
class ListBox : public QListView, public Tagged
{
    Q_OBJECT

public:
    explicit ListBox(QWidget* parent = nullptr);

    void AddItem(const QString& text);
    void Clear();
    QString List(int index) const;
    int ListCount() const;
    int ListIndex() const;
    void setSelected(int index, bool selected);

signals:
    // A left click on an item, or the selection moved by the keyboard.
    void Click();
    // A double click on an item, or Enter on the selected one.
    void DblClick();
    // The window's focus moving to and from the list (WindowFocus): a popup
    // menu, message box or modal window opening over it does not count.
    void GotFocus();
    void LostFocus();
    // Button and Shift are MouseButtonCode and ShiftCode masks; the position
    // is global, ready for a popup menu. A right press never changes the
    // selection.
    void MouseDown(int Button, int Shift, QPoint globalPos);
    // The context-menu key or Shift+F10, with the point under the selected
    // item where the list's popup belongs.
    void MenuKey(QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class Batch;

    ListModel* m_model;
};

} // namespace ui
