#include "ui/listbox.h"

#include "ui/batch.h"
#include "ui/mousebuttons.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class TestListBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void itemsKeepTheirOrderAndIndexes();
    void listIndexFollowsTheSelection();
    void batchReachesTheViewInOneReset();

    void leftPressClicksOnlyOnAnItem();
    void rightPressKeepsTheSelection();
    void mouseDownReportsButtonAndShift_data();
    void mouseDownReportsButtonAndShift();
    void doubleClickOnAnItem();
    void keyboardMoveClicks();
    void enterOpensTheSelectedItem();
    void menuKeysPointUnderTheSelectedItem();

    void tabbingAwayLosesFocus();

private:
    void show(const QStringList& items);
    QPoint itemCentre(int row) const { return m_list->visualRect(m_list->model()->index(row, 0)).center(); }
    QPoint belowTheItems() const { return QPoint(10, m_list->viewport()->height() - 5); }

    std::unique_ptr<QWidget> m_window;
    ui::ListBox* m_list = nullptr;
};

void TestListBox::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(300, 300);
    m_list = new ui::ListBox(m_window.get());
    m_list->setGeometry(10, 10, 120, 200);
}

void TestListBox::cleanup()
{
    m_window.reset();
}

void TestListBox::show(const QStringList& items)
{
    for (const QString& item : items)
        m_list->AddItem(item);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestListBox::itemsKeepTheirOrderAndIndexes()
{
    QAbstractItemModelTester tester(m_list->model());
    const QStringList items{QStringLiteral("zeta"), QStringLiteral("alpha"), QString(), QStringLiteral("\"q\" ü")};
    for (const QString& item : items)
        m_list->AddItem(item);
    QCOMPARE(m_list->ListCount(), 4);
    for (int i = 0; i < items.size(); ++i)
        QCOMPARE(m_list->List(i), items.at(i));
    QCOMPARE(m_list->List(4), QString());

    m_list->setSelected(1, true);
    m_list->Clear();
    QCOMPARE(m_list->ListCount(), 0);
    QCOMPARE(m_list->ListIndex(), -1);
    m_list->AddItem(QStringLiteral("again"));
    QCOMPARE(m_list->ListIndex(), -1);
}

void TestListBox::listIndexFollowsTheSelection()
{
    for (const char* item : {"a", "b", "c"})
        m_list->AddItem(QLatin1String(item));
    QCOMPARE(m_list->ListIndex(), -1);
    m_list->setSelected(2, true);
    QCOMPARE(m_list->ListIndex(), 2);
    m_list->setSelected(1, true);
    QCOMPARE(m_list->ListIndex(), 1);
    m_list->setSelected(1, false);
    QCOMPARE(m_list->ListIndex(), -1);
    m_list->setSelected(5, true);
    QCOMPARE(m_list->ListIndex(), -1);
}

void TestListBox::batchReachesTheViewInOneReset()
{
    QAbstractItemModelTester tester(m_list->model());
    m_list->AddItem(QStringLiteral("old"));
    m_list->setSelected(0, true);
    QSignalSpy reset(m_list->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(m_list->model(), &QAbstractItemModel::rowsInserted);
    {
        ui::Batch batch(*m_list);
        m_list->Clear();
        for (int i = 0; i < 1000; ++i)
            m_list->AddItem(QString::number(i));
        QCOMPARE(reset.count(), 0);
    }
    QCOMPARE(reset.count(), 1);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(m_list->ListCount(), 1000);
    QCOMPARE(m_list->List(999), QStringLiteral("999"));
    QCOMPARE(m_list->ListIndex(), -1);

    // Outside a batch every item is announced on its own again.
    m_list->AddItem(QStringLiteral("after"));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(reset.count(), 1);
}

void TestListBox::leftPressClicksOnlyOnAnItem()
{
    show({QStringLiteral("a"), QStringLiteral("b")});
    int indexAtClick = -2;
    int clicks = 0;
    connect(m_list, &ui::ListBox::Click, this, [&] {
        ++clicks;
        indexAtClick = m_list->ListIndex();
    });
    QSignalSpy mouseDown(m_list, &ui::ListBox::MouseDown);

    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, itemCentre(1));
    QCOMPARE(clicks, 1);
    QCOMPARE(indexAtClick, 1);
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, belowTheItems());
    QCOMPARE(clicks, 1);
    QCOMPARE(mouseDown.count(), 2);
}

void TestListBox::rightPressKeepsTheSelection()
{
    show({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    QSignalSpy click(m_list, &ui::ListBox::Click);
    int indexAtMouseDown = -2;
    connect(m_list, &ui::ListBox::MouseDown, this, [&] { indexAtMouseDown = m_list->ListIndex(); });

    QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, itemCentre(2));
    QCOMPARE(m_list->ListIndex(), -1);
    m_list->setSelected(0, true);
    QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, itemCentre(2));
    QCOMPARE(indexAtMouseDown, 0);
    QCOMPARE(m_list->ListIndex(), 0);

    // Left pressed while the right is held is still a right-button gesture.
    const QPoint at = itemCentre(1);
    QMouseEvent chord(QEvent::MouseButtonPress, at, m_list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(m_list->viewport(), &chord);
    QCOMPARE(m_list->ListIndex(), 0);
    QCOMPARE(click.count(), 0);
}

void TestListBox::mouseDownReportsButtonAndShift_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("buttonCode");
    QTest::addColumn<int>("shiftCode");

    QTest::newRow("left") << Qt::LeftButton << Qt::KeyboardModifiers() << 1 << 0;
    QTest::newRow("right") << Qt::RightButton << Qt::KeyboardModifiers() << 2 << 0;
    QTest::newRow("shift middle") << Qt::MiddleButton << Qt::KeyboardModifiers(Qt::ShiftModifier) << 4 << 1;
    QTest::newRow("ctrl left") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 1 << 2;
    QTest::newRow("ctrl alt shift right")
        << Qt::RightButton << Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier) << 2
        << 7;
}

void TestListBox::mouseDownReportsButtonAndShift()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, buttonCode);
    QFETCH(int, shiftCode);

    show({QStringLiteral("a")});
    QSignalSpy mouseDown(m_list, &ui::ListBox::MouseDown);
    QTest::mouseClick(m_list->viewport(), button, modifiers, itemCentre(0));
    QCOMPARE(mouseDown.count(), 1);
    QCOMPARE(mouseDown.at(0).at(0).toInt(), buttonCode);
    QCOMPARE(mouseDown.at(0).at(1).toInt(), shiftCode);
    QCOMPARE(mouseDown.at(0).at(2).toPoint(), m_list->viewport()->mapToGlobal(itemCentre(0)));
}

void TestListBox::doubleClickOnAnItem()
{
    show({QStringLiteral("a"), QStringLiteral("b")});
    int indexAtDblClick = -2;
    int dblClicks = 0;
    connect(m_list, &ui::ListBox::DblClick, this, [&] {
        ++dblClicks;
        indexAtDblClick = m_list->ListIndex();
    });

    QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, itemCentre(1));
    QCOMPARE(dblClicks, 1);
    QCOMPARE(indexAtDblClick, 1);
    QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, belowTheItems());
    QCOMPARE(dblClicks, 1);
}

void TestListBox::enterOpensTheSelectedItem()
{
    show({QStringLiteral("a"), QStringLiteral("b")});
    QSignalSpy dblClick(m_list, &ui::ListBox::DblClick);
    QTest::keyClick(m_list, Qt::Key_Return);
    QCOMPARE(dblClick.count(), 0); // nothing selected, nothing to open
    m_list->setSelected(1, true);
    QTest::keyClick(m_list, Qt::Key_Return);
    QTest::keyClick(m_list, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(m_list, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(dblClick.count(), 2);
}

void TestListBox::menuKeysPointUnderTheSelectedItem()
{
    show({QStringLiteral("a"), QStringLiteral("b")});
    QSignalSpy menuKey(m_list, &ui::ListBox::MenuKey);
    QSignalSpy click(m_list, &ui::ListBox::Click);
    m_list->setSelected(1, true);
    QTest::keyClick(m_list, Qt::Key_Menu);
    QTest::keyClick(m_list, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(menuKey.count(), 2);
    const QRect item = m_list->visualRect(m_list->model()->index(1, 0));
    QCOMPARE(m_list->viewport()->mapFromGlobal(menuKey.at(1).at(0).toPoint()), QPoint(item.left() + 4, item.bottom()));
    QCOMPARE(m_list->ListIndex(), 1);
    QCOMPARE(click.count(), 0);
}

void TestListBox::keyboardMoveClicks()
{
    show({QStringLiteral("a"), QStringLiteral("b")});
    m_list->setSelected(0, true);
    QSignalSpy click(m_list, &ui::ListBox::Click);

    QTest::keyClick(m_list, Qt::Key_Down);
    QCOMPARE(m_list->ListIndex(), 1);
    QCOMPARE(click.count(), 1);
    // At the end of the list the selection cannot move: no click.
    QTest::keyClick(m_list, Qt::Key_Down);
    QCOMPARE(click.count(), 1);
    QTest::keyClick(m_list, Qt::Key_Up);
    QCOMPARE(m_list->ListIndex(), 0);
    QCOMPARE(click.count(), 2);
}

void TestListBox::tabbingAwayLosesFocus()
{
    auto* other = new QLineEdit(m_window.get());
    other->move(150, 10);
    show({QStringLiteral("a")});
    m_list->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(m_list->hasFocus());
    QSignalSpy got(m_list, &ui::ListBox::GotFocus);
    QSignalSpy lost(m_list, &ui::ListBox::LostFocus);

    QTest::keyClick(m_list, Qt::Key_Tab);
    QVERIFY(other->hasFocus());
    QCOMPARE(lost.count(), 1);
    QTest::keyClick(other, Qt::Key_Backtab);
    QVERIFY(m_list->hasFocus());
    QCOMPARE(got.count(), 1);
}

QTEST_MAIN(TestListBox)
#include "tst_listbox.moc"
