#pragma once

#include "ui/textbox.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QtTest>

// What a person does inside the new-entry and edit-entry dialogs.
namespace windowinput {

inline ui::TextBox* textBox(QWidget* dialog, const char* name)
{
    return dialog->findChild<ui::TextBox*>(QString::fromLatin1(name));
}

inline void press(QWidget* dialog, const char* name)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

// Replaces the box's text by pasting it with Shift+Insert; a paste bypasses
// the number box's key filter.
inline void paste(ui::TextBox* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
}

// Replaces the box's text by typing it key by key.
inline void type(ui::TextBox* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

} // namespace windowinput
