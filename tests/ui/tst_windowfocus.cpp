#include "ui/windowfocus.h"

#include "ui/grid.h"
#include "ui/listbox.h"

#include <QMenu>
#include <QtTest>

// The list and the grid report the moves of their window's focus, whatever
// way the window system hands the focus over; these cases are the ones where
// Qt's own focus events mislead.
class TestWindowFocus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void movesInsideTheWindowAreReportedLossFirst();
    void popupsAndOtherWindowsAreNoMove();
    void aClickThatActivatesTheWindowMovesTheFocus();

private:
    static void activate(QWidget* window)
    {
        window->show();
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    QPoint gridRow() const { return m_grid->visualRect(m_grid->model()->index(0, 0)).center(); }

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<QWidget> m_other; // another program's window
    ui::ListBox* m_list = nullptr;
    ui::Grid* m_grid = nullptr;
    QStringList m_events;
};

void TestWindowFocus::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 300);
    m_list = new ui::ListBox(m_window.get());
    m_list->setGeometry(10, 10, 120, 200);
    m_list->AddItem(QStringLiteral("folder"));
    m_grid = new ui::Grid(2, 3, m_window.get());
    m_grid->setGeometry(140, 10, 250, 200);
    m_events.clear();
    connect(m_list, &ui::ListBox::GotFocus, this, [this] { m_events << "list got"; });
    connect(m_list, &ui::ListBox::LostFocus, this, [this] { m_events << "list lost"; });
    connect(m_grid, &ui::Grid::GotFocus, this, [this] { m_events << "grid got"; });
    connect(m_grid, &ui::Grid::LostFocus, this, [this] { m_events << "grid lost"; });
    m_other = std::make_unique<QWidget>();
    m_other->resize(100, 100);
    activate(m_window.get());
    m_list->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(m_list->hasFocus());
    QCOMPARE(m_events, QStringList{"list got"});
    m_events.clear();
}

void TestWindowFocus::cleanup()
{
    m_window.reset();
    m_other.reset();
}

void TestWindowFocus::movesInsideTheWindowAreReportedLossFirst()
{
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, gridRow());
    QTest::keyClick(m_grid, Qt::Key_Backtab);
    QVERIFY(m_list->hasFocus());
    QCOMPARE(m_events, (QStringList{"list lost", "grid got", "grid lost", "list got"}));
}

void TestWindowFocus::popupsAndOtherWindowsAreNoMove()
{
    QMenu menu(m_window.get());
    menu.addAction(QStringLiteral("item"));
    menu.popup(m_list->mapToGlobal(QPoint(5, 5)));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    menu.close();

    activate(m_other.get());
    QVERIFY(!m_list->hasFocus());
    activate(m_window.get());
    QTRY_VERIFY(m_list->hasFocus());
    QCOMPARE(m_events, QStringList());
}

void TestWindowFocus::aClickThatActivatesTheWindowMovesTheFocus()
{
    // The click reaches the grid while the window is still inactive, and Qt
    // gives the grid the focus only as the window is activated.
    activate(m_other.get());
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, gridRow());
    QVERIFY(!m_grid->hasFocus());
    activate(m_window.get());
    QTRY_VERIFY(m_grid->hasFocus());
    QCOMPARE(m_events, (QStringList{"list lost", "grid got"}));
}

QTEST_MAIN(TestWindowFocus)
#include "tst_windowfocus.moc"
