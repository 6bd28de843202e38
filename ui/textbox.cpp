#include "ui/textbox.h"

#include <QKeyEvent>

#include <limits>

namespace ui {

namespace {

// The character code a key press types, or 0 when it types nothing the
// KeyPress handler should see. Backspace counts as typing code 8 even where
// the platform reports no text for it; Tab moves the focus and Delete edits
// without typing, so neither is a character.
int typedCode(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return 0;
    default:
        break;
    }
    const QString text = event->text();
    return text.size() == 1 ? text.at(0).unicode() : 0;
}

} // namespace

TextBox::TextBox(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &TextBox::Change);
    // Qt cuts a line at 32,767 characters, and a directory can hold longer
    // names: an edit that cut one would store it shortened.
    setMaxLength(std::numeric_limits<int>::max());
}

void TextBox::setText(const QString& text)
{
    // Setting the same text again would reset the caret and the undo history
    // for nothing.
    if (text != this->text())
        QLineEdit::setText(text);
}

void TextBox::setKeyPress(std::function<void(int& KeyAscii)> handler)
{
    m_keyPress = std::move(handler);
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    const int code = typedCode(event);
    if (code != 0 && m_keyPress) {
        int keyAscii = code;
        m_keyPress(keyAscii);
        if (keyAscii == 0) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace ui
