#pragma once

#include <QAccessibleWidget>

namespace ui {

// A window that is a plain widget, told to screen readers as a window (a
// frame, to AT-SPI) as Qt tells its main windows. Qt itself calls such a
// widget a client area, which screen readers announce as a filler.
class WindowAccessible : public QAccessibleWidget
{
public:
    explicit WindowAccessible(QWidget* window);

    // From now on `window` is exposed this way.
    static void expose(QWidget* window);
};

} // namespace ui
