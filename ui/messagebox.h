#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace ui {

// A modal message in plain text with one OK button and no icon.
class MessageBox
{
public:
    struct Shown
    {
        QString prompt;
        QString title;
    };

    static void show(QWidget* parent, const QString& prompt, const QString& title);

    // For tests: while recording, show() only notes what it was asked to show
    // and returns at once, as if OK had been pressed.
    static void setRecording(bool recording);
    static QList<Shown> takeShown();
};

} // namespace ui
