#include "ui/inputbox.h"

#include <QInputDialog>
#include <QLineEdit>

#include <limits>

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
    // A screen reader names the field by the prompt. Like every text box
    // here it takes a name of any length: accepting a long folder name
    // unchanged must not store it cut short.
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        field->setMaxLength(std::numeric_limits<int>::max());
        field->setAccessibleName(prompt);
    }
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
