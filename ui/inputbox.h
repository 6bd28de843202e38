#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace ui {

// A modal question with a text field, OK and Cancel. Returns the text typed,
// or the empty text when cancelled.
class InputBox
{
public:
    struct Asked
    {
        QString prompt;
        QString title;
        QString defaultText;
    };

    static QString ask(QWidget* parent, const QString& prompt, const QString& title,
                       const QString& defaultText = QString());

    // For tests: a queued answer is returned by the next ask() without a
    // window, and the question is noted.
    static void setNextAnswer(const QString& answer);
    static QList<Asked> takeAsked();
};

} // namespace ui
