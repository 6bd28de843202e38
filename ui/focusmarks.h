#pragma once

#include <QObject>

class QWidget;

namespace ui {

// Makes the control that has a window's focus show its focus mark from every
// showing of the window, as if Tab had taken it there. Qt draws the mark only
// once a key has moved the focus, and forgets that each time the window is
// shown; until then nothing tells a person where a key would go.
class FocusMarks : public QObject
{
    Q_OBJECT

public:
    static void showFromStart(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusMarks(QWidget* window);
};

} // namespace ui
