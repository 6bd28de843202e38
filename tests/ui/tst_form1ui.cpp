#include "ui/form1ui.h"

#include "ui/grid.h"
#include "ui/listbox.h"
#include "ui/toolbar.h"
#include "ui/toolbarbutton.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QtTest>

class TestForm1Ui : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowAsDesigned();
    void toolbarButtons_data();
    void toolbarButtons();
    void folderMenu();
    void gridMenu();
    void shortcutsWorkWithTheMenusClosed();
    void tabOrderStartsAtTheFolderList();
    void enlargingMovesOnlyTheToolbar();
    void screenReadersSeeAWindowAndANamedToolbar();

private:
    void showAndActivate();

    std::unique_ptr<QWidget> m_form;
    ui::Form1Ui m_ui;
};

namespace {

struct Item
{
    QString name;
    QString caption;
    bool enabled;
    QString shortcut;
};

void compareMenu(const QMenu* menu, const QList<Item>& expected)
{
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), expected.size());
    for (int i = 0; i < actions.size(); ++i) {
        const QAction* action = actions.at(i);
        const Item& item = expected.at(i);
        QCOMPARE(action->objectName(), item.name);
        if (item.caption == QStringLiteral("-")) {
            QVERIFY(action->isSeparator());
            continue;
        }
        QVERIFY(!action->isSeparator());
        QCOMPARE(action->text(), item.caption);
        QCOMPARE(action->isEnabled(), item.enabled);
        QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), item.shortcut);
        if (!item.shortcut.isEmpty())
            QVERIFY(action->isShortcutVisibleInContextMenu());
    }
}

} // namespace

void TestForm1Ui::initTestCase()
{
    // Some desktops hide shortcuts in popup menus; the menus must show theirs
    // anyway.
    QCoreApplication::setAttribute(Qt::AA_DontShowShortcutsInContextMenus, true);
}

void TestForm1Ui::init()
{
    m_form = std::make_unique<QWidget>();
    m_ui = ui::Form1Ui();
    m_ui.setupUi(m_form.get());
}

void TestForm1Ui::cleanup()
{
    m_form.reset();
}

void TestForm1Ui::showAndActivate()
{
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestForm1Ui::screenReadersSeeAWindowAndANamedToolbar()
{
    showAndActivate();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m_form.get());
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Form1"));
    QAccessibleInterface* toolbar = QAccessible::queryAccessibleInterface(m_ui.Toolbar1);
    QCOMPARE(toolbar->role(), QAccessible::ToolBar);
    QCOMPARE(toolbar->text(QAccessible::Name), QStringLiteral("Commands"));
    // A plain window that is not the main one keeps Qt's own role.
    QWidget pane(m_form.get());
    QCOMPARE(QAccessible::queryAccessibleInterface(&pane)->role(), QAccessible::Client);
}

void TestForm1Ui::windowAsDesigned()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(m_form->size(), QSize(312, 213));
    QVERIFY(!m_form->windowIcon().isNull());
    QVERIFY(!m_form->findChild<QMenuBar*>());

    QCOMPARE(m_form->findChild<ui::ListBox*>(QStringLiteral("List1")), m_ui.List1);
    QCOMPARE(m_form->findChild<ui::ListBox*>(QStringLiteral("List2")), m_ui.List2);
    QCOMPARE(m_form->findChild<ui::Grid*>(QStringLiteral("MSFlexGrid1")), m_ui.MSFlexGrid1);
    QCOMPARE(m_ui.List1->accessibleName(), QStringLiteral("Folders"));
    QCOMPARE(m_ui.List1->ListCount(), 0);
    QCOMPARE(m_ui.MSFlexGrid1->accessibleName(), QStringLiteral("Telephones"));
    QCOMPARE(m_ui.MSFlexGrid1->Rows(), 2);
    QCOMPARE(m_ui.MSFlexGrid1->Cols(), 3);
    QCOMPARE(m_ui.MSFlexGrid1->font().pointSizeF(), 8.25);

    showAndActivate();
    QVERIFY(!m_ui.List2->isVisible());
    QVERIFY(m_ui.List1->isVisible());
}

void TestForm1Ui::toolbarButtons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("1 up") << 1 << QStringLiteral("Up on level") << QStringLiteral("Up on level") << true;
    QTest::newRow("2 new telephone") << 2 << QStringLiteral("New Telphone") << QStringLiteral("New Telphone") << true;
    QTest::newRow("3 new folder") << 3 << QStringLiteral("New Folder") << QStringLiteral("New Folder") << true;
    QTest::newRow("4 delete") << 4 << QStringLiteral("Delete ") << QStringLiteral("Delete ") << true;
    QTest::newRow("5 find") << 5 << QString() << QStringLiteral("Find") << false;
    QTest::newRow("6 help") << 6 << QStringLiteral("Help") << QStringLiteral("Help") << true;
}

void TestForm1Ui::toolbarButtons()
{
    QFETCH(int, index);
    QFETCH(QString, toolTip);
    QFETCH(QString, accessibleName);
    QFETCH(bool, enabled);

    QCOMPARE(m_ui.Toolbar1->actions().size(), 6);
    const ui::ToolbarButton* button = m_ui.Toolbar1->Buttons(index);
    QVERIFY(button);
    QCOMPARE(button->Index(), index);
    QCOMPARE(button->isEnabled(), enabled);
    QVERIFY(!button->icon().isNull());
    QWidget* widget = m_ui.Toolbar1->widgetForButton(index);
    QCOMPARE(widget->toolTip(), toolTip);
    QCOMPARE(widget->accessibleName(), accessibleName);
    QCOMPARE(widget->size(), QSize(24, 22));
}

void TestForm1Ui::folderMenu()
{
    QCOMPARE(m_ui.Mlist->title(), QStringLiteral("mlist"));
    QCOMPARE(m_ui.Mlist->objectName(), QStringLiteral("Mlist"));
    compareMenu(m_ui.Mlist, {{"Mlistopen", "Open ", true, {}},
                             {"Mlistrename", "Rename", false, {}},
                             {"Mlistup", "UP Level", false, "Alt+Backspace"},
                             {"s1", "-", true, {}},
                             {"Mlistadd", "Add new folder", true, "Ctrl+F"},
                             {"MListDelete", "Delete", false, {}}});
    QCOMPARE(m_ui.Mlist->actions().at(0), m_ui.Mlistopen);
    QCOMPARE(m_ui.Mlist->actions().at(3), m_ui.s1);
    QCOMPARE(m_ui.Mlist->actions().at(5), m_ui.MListDelete);
}

void TestForm1Ui::gridMenu()
{
    QCOMPARE(m_ui.mgrid->title(), QStringLiteral("mgrid"));
    QCOMPARE(m_ui.mgrid->objectName(), QStringLiteral("mgrid"));
    compareMenu(m_ui.mgrid, {{"MgridAdd", "Add New Tel", true, "Ctrl+N"},
                             {"mgridrename", "Rename", false, {}},
                             {"mgridDelete", "Delete", false, {}}});
    QCOMPARE(m_ui.mgrid->actions().at(0), m_ui.MgridAdd);
    QCOMPARE(m_ui.mgrid->actions().at(2), m_ui.mgridDelete);
}

void TestForm1Ui::shortcutsWorkWithTheMenusClosed()
{
    showAndActivate();
    m_ui.List1->setFocus();
    QTRY_VERIFY(m_ui.List1->hasFocus());
    QSignalSpy add(m_ui.MgridAdd, &QAction::triggered);
    QSignalSpy folder(m_ui.Mlistadd, &QAction::triggered);
    QSignalSpy up(m_ui.Mlistup, &QAction::triggered);

    QTest::keyClick(m_ui.List1, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(m_ui.List1, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(m_ui.List1, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(add.count(), 1);
    QCOMPARE(folder.count(), 1);
    QCOMPARE(up.count(), 0);

    m_ui.Mlistup->setEnabled(true);
    QTest::keyClick(m_ui.List1, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(up.count(), 1);
}

void TestForm1Ui::tabOrderStartsAtTheFolderList()
{
    showAndActivate();
    QTRY_COMPARE(QApplication::focusWidget(), m_ui.List1);
    QTest::keyClick(m_ui.List1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_ui.MSFlexGrid1);
    // The toolbar never takes the focus and List2 is never shown.
    QTest::keyClick(m_ui.MSFlexGrid1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_ui.List1);
    QTest::keyClick(m_ui.List1, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), m_ui.MSFlexGrid1);
}

void TestForm1Ui::enlargingMovesOnlyTheToolbar()
{
    showAndActivate();
    const QRect list = m_ui.List1->geometry();
    const QRect grid = m_ui.MSFlexGrid1->geometry();
    const QPoint firstButton = m_ui.Toolbar1->widgetForButton(1)->pos();

    m_form->resize(800, 600);
    QTRY_COMPARE(m_ui.Toolbar1->width(), 800);
    QCOMPARE(m_ui.List1->geometry(), list);
    QCOMPARE(m_ui.MSFlexGrid1->geometry(), grid);
    QCOMPARE(m_ui.Toolbar1->widgetForButton(1)->pos(), firstButton);
    QVERIFY(!m_ui.List2->isVisible());
}

QTEST_MAIN(TestForm1Ui)
#include "tst_form1ui.moc"
