#pragma once

#include <QLineEdit>

#include <functional>

namespace ui {

// A one-line text box of any length. Change follows every change of its text, typed or set
// (setting the text it already holds is no change); KeyPress sees each typed
// character first and can discard it.
class TextBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    void setText(const QString& text);

    // KeyAscii is the typed character's code (8 for backspace, 13 for Enter);
    // a handler that sets it to 0 discards the character. Keys that type
    // nothing (arrows, Tab, Delete) do not reach it.
    void setKeyPress(std::function<void(int& KeyAscii)> handler);

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void(int&)> m_keyPress;
};

} // namespace ui
