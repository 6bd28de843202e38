#pragma once

#include <QToolBar>
#include <QVector>

namespace ui {

class ToolbarButton;

// A row of picture buttons along the top edge of its window, spanning its
// whole width however the window is resized. A window narrower than the
// buttons cuts them off at its edge; none moves into an overflow menu. Its
// buttons never take the keyboard focus, so a click leaves the focus where
// the user had it.
class Toolbar : public QToolBar
{
    Q_OBJECT

public:
    explicit Toolbar(QWidget* parent);

    // Appends a button; its Index() is its 1-based position.
    ToolbarButton* addButton(const QIcon& icon, const QString& toolTip, const QString& accessibleName);
    ToolbarButton* Buttons(int index) const; // nullptr outside 1..count
    QWidget* widgetForButton(int index) const;

signals:
    void ButtonClick(int Index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void spanWindow();

    QVector<ToolbarButton*> m_buttons;
};

} // namespace ui
