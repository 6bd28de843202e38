#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace ui {

// Which control of a window holds the focus as its user sees it: the one that
// last took the keyboard focus inside that window. A popup menu, a message
// box, an input box, a dialog or another program taking the focus for a while
// leaves it where it was. A click that activates an inactive window moves it
// to the control clicked, although Qt reports that move only as the window's
// activation, and on a display without a window manager every first click is
// such a click.
class WindowFocus : public QObject
{
    Q_OBJECT

public:
    // The tracker of `widget`'s window, made the first time it is asked for.
    static WindowFocus* of(QWidget* widget);

    QWidget* current() const { return m_current; }

signals:
    // Every control told of its loss before any is told of its gain.
    void left(QWidget* control);
    void entered(QWidget* control);

private:
    explicit WindowFocus(QWidget* window);
    void focusChanged(QWidget* now);

    QWidget* m_window;
    QPointer<QWidget> m_current;
};

} // namespace ui
