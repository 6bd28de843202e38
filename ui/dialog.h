#pragma once

#include <QDialog>
#include <QPointer>

class QPushButton;

namespace ui {

// A window shown modally over the main window: fixed size, no minimise or
// maximise box, placed by the window system unless it was given a position.
// Enter and Esc press only the buttons named for them. The control that has
// the focus shows its focus mark from the first showing, as if reached by Tab.
// Closing it through its frame unloads it: the window is destroyed, and the
// next use creates and loads a new one.
class Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog(QWidget* parent);

    void setClientSize(int widthTwips, int heightTwips);
    void setDefaultButton(QPushButton* button); // pressed by Enter
    void setCancelButton(QPushButton* button);  // pressed by Esc
    // The control that has the focus each time the window is shown, not only
    // the first time: the first in its tab order.
    void setFirstFocus(QWidget* control);

    // Shows the window modally; returns once it is hidden or unloaded.
    void ShowModal();
    bool isUnloaded() const { return m_unloaded; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QPushButton> m_default;
    QPointer<QPushButton> m_cancel;
    QPointer<QWidget> m_firstFocus;
    QSize m_clientSize;
    bool m_unloaded = false;
};

} // namespace ui
