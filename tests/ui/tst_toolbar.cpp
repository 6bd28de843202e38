#include "ui/toolbar.h"

#include "ui/pictures.h"
#include "ui/toolbarbutton.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class TestToolbar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buttonsAreNumberedFromOne();
    void clickReportsTheIndex();
    void disabledButtonRaisesNoClick();
    void buttonsAreSmallPicturesWithToolTips();
    void clickLeavesTheFocusWhereItWas();
    void spansTheTopEdgeOfItsWindow();
    void narrowWindowCutsTheButtonsOff();

private:
    std::unique_ptr<QWidget> m_window;
    ui::Toolbar* m_toolbar = nullptr;
};

void TestToolbar::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(312, 213);
    m_toolbar = new ui::Toolbar(m_window.get());
    m_toolbar->addButton(ui::Pictures::upFolder(), QStringLiteral("Up"), QStringLiteral("Up"));
    m_toolbar->addButton(ui::Pictures::cross(), QStringLiteral("Delete "), QStringLiteral("Delete"));
    m_toolbar->addButton(ui::Pictures::binoculars(), QString(), QStringLiteral("Find"));
}

void TestToolbar::cleanup()
{
    m_window.reset();
}

void TestToolbar::buttonsAreNumberedFromOne()
{
    for (int index = 1; index <= 3; ++index) {
        QVERIFY(m_toolbar->Buttons(index));
        QCOMPARE(m_toolbar->Buttons(index)->Index(), index);
        QCOMPARE(m_toolbar->actions().at(index - 1), m_toolbar->Buttons(index));
    }
    QVERIFY(!m_toolbar->Buttons(0));
    QVERIFY(!m_toolbar->Buttons(4));
    QVERIFY(!m_toolbar->widgetForButton(4));
    QCOMPARE(m_toolbar->widgetForButton(3)->accessibleName(), QStringLiteral("Find"));
}

void TestToolbar::clickReportsTheIndex()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSignalSpy clicked(m_toolbar, &ui::Toolbar::ButtonClick);

    QTest::mouseClick(m_toolbar->widgetForButton(2), Qt::LeftButton);
    QTest::mouseClick(m_toolbar->widgetForButton(1), Qt::LeftButton);
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(clicked.at(0).at(0).toInt(), 2);
    QCOMPARE(clicked.at(1).at(0).toInt(), 1);
}

void TestToolbar::disabledButtonRaisesNoClick()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSignalSpy clicked(m_toolbar, &ui::Toolbar::ButtonClick);

    m_toolbar->Buttons(3)->setEnabled(false);
    QVERIFY(!m_toolbar->widgetForButton(3)->isEnabled());
    QTest::mouseClick(m_toolbar->widgetForButton(3), Qt::LeftButton);
    m_toolbar->Buttons(3)->trigger();
    QCOMPARE(clicked.count(), 0);

    m_toolbar->Buttons(3)->setEnabled(true);
    QTest::mouseClick(m_toolbar->widgetForButton(3), Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

void TestToolbar::buttonsAreSmallPicturesWithToolTips()
{
    QCOMPARE(m_toolbar->iconSize(), QSize(16, 16));
    QVERIFY(!m_toolbar->isMovable());
    QVERIFY(!m_toolbar->isFloatable());
    auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForButton(2));
    QVERIFY(button);
    QCOMPARE(button->size(), QSize(24, 22));
    QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(button->toolTip(), QStringLiteral("Delete "));
    QVERIFY(m_toolbar->widgetForButton(3)->toolTip().isEmpty());
    QVERIFY(!button->icon().isNull());
}

void TestToolbar::clickLeavesTheFocusWhereItWas()
{
    auto* edit = new QLineEdit(m_window.get());
    edit->move(10, 100);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());

    for (int index = 1; index <= 3; ++index)
        QCOMPARE(m_toolbar->widgetForButton(index)->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(m_toolbar->widgetForButton(1), Qt::LeftButton);
    QVERIFY(edit->hasFocus());
}

void TestToolbar::spansTheTopEdgeOfItsWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(m_toolbar->geometry(), QRect(0, 0, 312, 28));

    m_window->resize(640, 400);
    QTRY_COMPARE(m_toolbar->geometry(), QRect(0, 0, 640, 28));
    const QPoint firstButton = m_toolbar->widgetForButton(1)->pos();
    m_window->resize(200, 150);
    QTRY_COMPARE(m_toolbar->geometry(), QRect(0, 0, 200, 28));
    QCOMPARE(m_toolbar->widgetForButton(1)->pos(), firstButton);
}

void TestToolbar::narrowWindowCutsTheButtonsOff()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QList<QToolButton*> buttons;
    QList<QPoint> places;
    for (int index = 1; index <= 3; ++index) {
        buttons.append(qobject_cast<QToolButton*>(m_toolbar->widgetForButton(index)));
        places.append(buttons.last()->pos());
    }

    // Narrower than the buttons: they stay where they were, past the edge.
    m_window->resize(30, 150);
    QTRY_COMPARE(m_window->width(), 30);
    QCoreApplication::processEvents();
    for (int i = 0; i < buttons.size(); ++i) {
        QVERIFY(buttons.at(i)->isVisible());
        QCOMPARE(buttons.at(i)->pos(), places.at(i));
    }
    // Nor is there an overflow menu's button.
    for (QToolButton* button : m_toolbar->findChildren<QToolButton*>())
        QVERIFY(!button->isVisible() || buttons.contains(button));
}

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
