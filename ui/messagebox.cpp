#include "ui/messagebox.h"

#include "ui/focusmarks.h"

#include <QMessageBox>

#include <utility>

namespace ui {

namespace {

struct Recorder
{
    bool recording = false;
    QList<MessageBox::Shown> shown;
};

Recorder& recorder()
{
    static Recorder instance;
    return instance;
}

} // namespace

void MessageBox::show(QWidget* parent, const QString& prompt, const QString& title)
{
    if (recorder().recording) {
        recorder().shown.append({prompt, title});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok, parent);
    // Prompts carry names and numbers as the user typed or pasted them;
    // "<b>7</b>" is shown as those characters, never as markup.
    box.setTextFormat(Qt::PlainText);
    FocusMarks::showFromStart(&box);
    box.exec();
}

void MessageBox::setRecording(bool recording)
{
    recorder().recording = recording;
}

QList<MessageBox::Shown> MessageBox::takeShown()
{
    return std::exchange(recorder().shown, {});
}

} // namespace ui
