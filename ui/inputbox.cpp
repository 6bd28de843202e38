#include "ui/inputbox.h"

#include <QInputDialog>

#include <utility>

namespace ui {

namespace {

struct Script
{
    QList<QString> answers;
    QList<InputBox::Asked> asked;
};

Script& script()
{
    static Script instance;
    return instance;
}

} // namespace

QString InputBox::ask(QWidget* parent, const QString& prompt, const QString& title, const QString& defaultText)
{
    if (!script().answers.isEmpty()) {
        script().asked.append({prompt, title, defaultText});
        return script().answers.takeFirst();
    }
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

void InputBox::setNextAnswer(const QString& answer)
{
    script().answers.append(answer);
}

QList<InputBox::Asked> InputBox::takeAsked()
{
    return std::exchange(script().asked, {});
}

} // namespace ui
