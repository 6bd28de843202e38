#include "harness/form1driver.h"

#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"
#include "ui/toolbar.h"
#include "ui/toolbarbutton.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

Form1Driver::Form1Driver()
    : m_owned(std::make_unique<Form1>())
    , m_form(*m_owned)
{
    m_form.show();
    activate();
}

Form1Driver::Form1Driver(Form1& form)
    : m_form(form)
{
}

void Form1Driver::activate()
{
    QApplication::setActiveWindow(&m_form);
    if (!QTest::qWaitForWindowActive(&m_form))
        qWarning("the main window did not become active");
}

Form1Driver::~Form1Driver() = default;

ui::ListBox* Form1Driver::List1() const
{
    return m_form.findChild<ui::ListBox*>(QStringLiteral("List1"));
}

ui::ListBox* Form1Driver::List2() const
{
    return m_form.findChild<ui::ListBox*>(QStringLiteral("List2"));
}

ui::Grid* Form1Driver::grid() const
{
    return m_form.findChild<ui::Grid*>(QStringLiteral("MSFlexGrid1"));
}

ui::Toolbar* Form1Driver::toolbar() const
{
    return m_form.findChild<ui::Toolbar*>(QStringLiteral("Toolbar1"));
}

QAction* Form1Driver::item(const char* name) const
{
    return m_form.findChild<QAction*>(QString::fromLatin1(name));
}

QStringList Form1Driver::folders() const
{
    QStringList items;
    for (int i = 0; i < List1()->ListCount(); ++i)
        items.append(List1()->List(i));
    return items;
}

QStringList Form1Driver::codes() const
{
    QStringList items;
    for (int i = 0; i < List2()->ListCount(); ++i)
        items.append(List2()->List(i));
    return items;
}

int Form1Driver::folderIndex(qint64 code) const
{
    return codes().indexOf(QString::number(code));
}

QStringList Form1Driver::gridRow(int row) const
{
    return {grid()->TextMatrix(row, 0), grid()->TextMatrix(row, 1), grid()->TextMatrix(row, 2)};
}

QStringList Form1Driver::gridNames() const
{
    QStringList names;
    for (int row = 1; row < grid()->Rows(); ++row)
        names.append(grid()->TextMatrix(row, 1));
    return names;
}

bool Form1Driver::buttonEnabled(int index) const
{
    return toolbar()->Buttons(index)->isEnabled();
}

QPoint Form1Driver::folderPoint(int index) const
{
    ui::ListBox* list = List1();
    if (index < 0)
        return {5, list->viewport()->height() - 3};
    // A person scrolls to a folder before clicking it. Near the item's left
    // end: a long name runs far past the list's right edge, where its centre
    // would be.
    const QModelIndex item = list->model()->index(index, 0);
    list->scrollTo(item);
    const QRect rect = list->visualRect(item);
    return {qMax(rect.left(), 0) + 3, rect.center().y()};
}

QPoint Form1Driver::gridPoint(int row) const
{
    ui::Grid* g = grid();
    const QModelIndex cell = g->model()->index(row - 1, 0);
    g->scrollTo(cell);
    return g->visualRect(cell).center();
}

void Form1Driver::clickFolder(int index)
{
    QTest::mouseClick(List1()->viewport(), Qt::LeftButton, {}, folderPoint(index));
}

void Form1Driver::doubleClickFolder(int index)
{
    // A double click as the window system delivers it: press, release, then
    // the double-click press and its release.
    QWidget* viewport = List1()->viewport();
    const QPoint point = folderPoint(index);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, point);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, point);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, point);
}

void Form1Driver::rightClickList(int index)
{
    QTest::mouseClick(List1()->viewport(), Qt::RightButton, {}, folderPoint(index));
}

void Form1Driver::clickGridRow(int row)
{
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, gridPoint(row));
}

void Form1Driver::rightClickGrid(int row)
{
    QTest::mouseClick(grid()->viewport(), Qt::RightButton, {}, gridPoint(row));
}

void Form1Driver::clickButton(int index)
{
    QTest::mouseClick(toolbar()->widgetForButton(index), Qt::LeftButton);
}

void Form1Driver::addFolder(const QString& name)
{
    ui::InputBox::setNextAnswer(name);
    clickButton(3);
}

// Closing a dialog makes the main window active again on a desktop, not on
// the headless platform: this does it, or focus changes would not count.
void Form1Driver::addEntry(const QString& name, const QString& number)
{
    withModal([&] { clickButton(2); },
              [&](QWidget* dialog) {
                  dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"))->setText(name);
                  dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"))->setText(number);
                  QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
              });
    activate();
}

void Form1Driver::choose(const char* itemName)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) {
        QFAIL("no popup menu is open");
        return;
    }
    QAction* action = item(itemName);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    // A disabled item closes nothing; a person then presses Esc.
    if (QApplication::activePopupWidget() == menu)
        menu->close();
}

void Form1Driver::pressKeys(QWidget* widget, int key, int modifiers)
{
    QTest::keyClick(widget, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
}

void Form1Driver::recordPrompts()
{
    ui::MessageBox::setRecording(true);
    ui::MessageBox::takeShown();
    ui::InputBox::takeAsked();
}

void Form1Driver::withModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& inside)
{
    bool reached = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll.stop();
        reached = true;
        inside(modal);
        if (QApplication::activeModalWidget() == modal && modal->isVisible()) {
            QTest::qFail("the modal window was left open", __FILE__, __LINE__);
            modal->hide();
        }
    });
    poll.start();
    trigger();
    poll.stop();
    if (!reached)
        QTest::qFail("no modal window opened", __FILE__, __LINE__);
}

bool Form1Driver::opensModal(const std::function<void()>& trigger)
{
    bool opened = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            opened = true;
            modal->hide();
        }
    });
    poll.start();
    trigger();
    return opened;
}
