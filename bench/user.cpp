#include "user.h"

#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/listbox.h"
#include "ui/toolbar.h"

#include <QTest>

#include <stdexcept>

namespace {

template <class Control>
Control* control(Form1& form, const char* name)
{
    auto* found = form.findChild<Control*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("the main window has no control ") + name);
    return found;
}

} // namespace

User::User(Form1& form)
    : m_form(form)
    , m_folders(control<ui::ListBox>(form, "List1"))
    , m_codes(control<ui::ListBox>(form, "List2"))
    , m_grid(control<ui::Grid>(form, "MSFlexGrid1"))
    , m_toolbar(control<ui::Toolbar>(form, "Toolbar1"))
{
}

int User::folderRow(qint64 code) const
{
    const QString text = QString::number(code);
    for (int row = 0; row < m_codes->ListCount(); ++row) {
        if (m_codes->List(row) == text)
            return row;
    }
    return -1;
}

QWidget* User::folderViewport(int row, QPoint& centre)
{
    const QModelIndex item = m_folders->model()->index(row, 0);
    if (!item.isValid())
        throw std::runtime_error("no such folder row");
    m_folders->scrollTo(item);
    centre = m_folders->visualRect(item).center();
    return m_folders->viewport();
}

void User::clickFolder(int row)
{
    QPoint centre;
    QWidget* viewport = folderViewport(row, centre);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre);
}

void User::doubleClickFolder(int row)
{
    QPoint centre;
    QWidget* viewport = folderViewport(row, centre);
    // What a window system delivers for a double click: a click, then the
    // second press as a double click, then its release.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre);
}

void User::clickButton(int index)
{
    QWidget* button = m_toolbar->widgetForButton(index);
    if (!button)
        throw std::runtime_error("no such toolbar button");
    QTest::mouseClick(button, Qt::LeftButton);
}
