#include "ui/grid.h"
#include "ui/listbox.h"

#include <QtTest>

// The list and the grid draw nothing selection-like on an item that is not
// selected: the current item the keyboard moves from is framed, not filled.
class TestFocusFrame : public QObject
{
    Q_OBJECT

private slots:
    void currentItemIsFramedNotFilled_data();
    void currentItemIsFramedNotFilled();
};

void TestFocusFrame::currentItemIsFramedNotFilled_data()
{
    QTest::addColumn<bool>("grid");
    QTest::newRow("list") << false;
    QTest::newRow("grid") << true;
}

void TestFocusFrame::currentItemIsFramedNotFilled()
{
    QFETCH(bool, grid);
    QWidget window;
    QAbstractItemView* view = nullptr;
    if (grid) {
        view = new ui::Grid(2, 3, &window);
    } else {
        auto* list = new ui::ListBox(&window);
        list->AddItem(QStringLiteral("a"));
        view = list;
    }
    view->setGeometry(0, 0, 280, 180);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // Reached by Tab, a view makes its first item current and selects nothing.
    view->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(view->currentIndex().isValid());
    QVERIFY(!view->selectionModel()->hasSelection());

    const QRect item = view->visualRect(view->currentIndex());
    const QPoint inside(item.right() - 4, item.center().y());
    const QColor base = view->palette().color(QPalette::Base);
    QImage drawn = view->viewport()->grab().toImage();
    QCOMPARE(drawn.pixelColor(inside), base);
    int framed = 0;
    for (int x = item.left(); x <= item.right(); ++x)
        framed += drawn.pixelColor(x, item.top()) != base;
    QVERIFY(framed > item.width() / 4);

    view->selectionModel()->select(view->currentIndex(), QItemSelectionModel::Select);
    QVERIFY(view->viewport()->grab().toImage().pixelColor(inside) != base);
}

QTEST_MAIN(TestFocusFrame)
#include "tst_focusframe.moc"
