#include "ui/focusmarks.h"

#include <QEvent>
#include <QWidget>

namespace ui {

void FocusMarks::showFromStart(QWidget* window)
{
    new FocusMarks(window);
}

FocusMarks::FocusMarks(QWidget* window)
    : QObject(window)
{
    window->installEventFilter(this);
}

bool FocusMarks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        static_cast<QWidget*>(watched)->setAttribute(Qt::WA_KeyboardFocusChange);
    return QObject::eventFilter(watched, event);
}

} // namespace ui
