#include "ui/grid.h"

#include "ui/batch.h"
#include "ui/mousebuttons.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The grid as the main window fills it: a header row, then numbered rows.
void fillNumbered(ui::Grid& grid, int count)
{
    grid.Clear();
    grid.setTextMatrix(0, 1, QStringLiteral("Name"));
    grid.setTextMatrix(0, 2, QStringLiteral("TelPhone"));
    grid.setRows(1);
    for (int n = 1; n <= count; ++n) {
        grid.AddItem(QString::number(n));
        grid.setTextMatrix(n, 1, QStringLiteral("name %1").arg(n));
        grid.setTextMatrix(n, 2, QString::number(1000 + n));
    }
}

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fixedRowAndColumnAreTheHeaders();
    void cellsHoldAnyText_data();
    void cellsHoldAnyText();
    void rewritingCellsKeepsEveryOtherText();
    void addItemAppendsNumberedRows();
    void setRowsKeepsTheHeaderAndNewRowsAreEmpty();
    void clearEmptiesEveryCellAndKeepsTheSize();
    void batchReachesTheViewInOneReset();
    void holdsAHundredThousandRows();

    void rowSelFollowsTheSelection();
    void rightPressKeepsTheSelection();
    void rightPressAnywhereIsReported();
    void menuKeysPointUnderTheSelectedRow();
    void isReadOnlyAndSelectsWholeRows();
    void tabLeavesTheGrid();

private:
    void show();
    QPoint cellCentre(int row, int col) const
    {
        return m_grid->visualRect(m_grid->model()->index(row - 1, col - 1)).center();
    }

    std::unique_ptr<QWidget> m_window;
    ui::Grid* m_grid = nullptr;
};

void TestGrid::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 300);
    m_grid = new ui::Grid(2, 3, m_window.get());
    m_grid->setGeometry(10, 10, 300, 250);
}

void TestGrid::cleanup()
{
    m_window.reset();
}

void TestGrid::show()
{
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestGrid::fixedRowAndColumnAreTheHeaders()
{
    QCOMPARE(m_grid->model()->rowCount(), 1);
    QCOMPARE(m_grid->model()->columnCount(), 2);
    m_grid->setTextMatrix(0, 0, QStringLiteral("corner"));
    m_grid->setTextMatrix(0, 2, QStringLiteral("TelPhone"));
    m_grid->setTextMatrix(1, 0, QStringLiteral("1"));
    m_grid->setTextMatrix(1, 2, QStringLiteral("555"));

    const QAbstractItemModel* model = m_grid->model();
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("TelPhone"));
    QCOMPARE(model->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    QCOMPARE(model->data(model->index(0, 1)).toString(), QStringLiteral("555"));
    QCOMPARE(model->data(model->index(0, 0)).toString(), QString());
    QCOMPARE(m_grid->TextMatrix(0, 0), QStringLiteral("corner"));

    // Outside the grid nothing is stored and the empty text is read.
    m_grid->setTextMatrix(2, 1, QStringLiteral("x"));
    m_grid->setTextMatrix(1, 3, QStringLiteral("x"));
    QCOMPARE(m_grid->Rows(), 2);
    QCOMPARE(m_grid->TextMatrix(2, 1), QString());
    QCOMPARE(m_grid->TextMatrix(0, -1), QString());
}

void TestGrid::cellsHoldAnyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("quotes and blanks") << QStringLiteral(" O'Brien \"Jr\" ");
    QTest::newRow("unicode") << QStringLiteral("Zoë Çelik 東京 🙂");
    QTest::newRow("long") << QString(5000, u'x');
}

void TestGrid::cellsHoldAnyText()
{
    QFETCH(QString, text);
    m_grid->setTextMatrix(1, 1, QStringLiteral("before"));
    m_grid->setTextMatrix(1, 2, QStringLiteral("neighbour"));
    m_grid->setTextMatrix(1, 1, text);
    QCOMPARE(m_grid->TextMatrix(1, 1), text);
    QCOMPARE(m_grid->TextMatrix(1, 2), QStringLiteral("neighbour"));
    QCOMPARE(m_grid->model()->data(m_grid->model()->index(0, 0)).toString(), text);
}

void TestGrid::rewritingCellsKeepsEveryOtherText()
{
    // Rewrites leave stale text behind until the storage is rebuilt; no cell
    // may lose or mix up its text on the way.
    QAbstractItemModelTester tester(m_grid->model());
    fillNumbered(*m_grid, 50);
    const auto rewritten = [](int round, int n) {
        return QStringLiteral("round %1 row %2 %3").arg(round).arg(n).arg(QString(round, u'é'));
    };
    for (int round = 0; round < 40; ++round) {
        for (int n = 1; n <= 50; n += 3)
            m_grid->setTextMatrix(n, 1, rewritten(round, n));
    }
    for (int n = 1; n <= 50; ++n) {
        QCOMPARE(m_grid->TextMatrix(n, 1), n % 3 == 1 ? rewritten(39, n) : QStringLiteral("name %1").arg(n));
        QCOMPARE(m_grid->TextMatrix(n, 2), QString::number(1000 + n));
        QCOMPARE(m_grid->TextMatrix(n, 0), QString::number(n));
    }
    QCOMPARE(m_grid->TextMatrix(0, 2), QStringLiteral("TelPhone"));
}

void TestGrid::addItemAppendsNumberedRows()
{
    QAbstractItemModelTester tester(m_grid->model());
    fillNumbered(*m_grid, 12);
    QCOMPARE(m_grid->Rows(), 13);
    QCOMPARE(m_grid->TextMatrix(12, 1), QStringLiteral("name 12"));
    QCOMPARE(m_grid->model()->headerData(11, Qt::Vertical).toString(), QStringLiteral("12"));

    // A refill after one entry went renumbers from 1 and drops the last row.
    fillNumbered(*m_grid, 11);
    QCOMPARE(m_grid->Rows(), 12);
    QCOMPARE(m_grid->TextMatrix(11, 0), QStringLiteral("11"));
    QCOMPARE(m_grid->TextMatrix(0, 1), QStringLiteral("Name"));
}

void TestGrid::setRowsKeepsTheHeaderAndNewRowsAreEmpty()
{
    QAbstractItemModelTester tester(m_grid->model());
    fillNumbered(*m_grid, 5);
    m_grid->setRows(3);
    m_grid->setRows(6);
    QCOMPARE(m_grid->Rows(), 6);
    QCOMPARE(m_grid->TextMatrix(2, 1), QStringLiteral("name 2"));
    for (int row = 3; row < 6; ++row) {
        for (int col = 0; col < 3; ++col)
            QCOMPARE(m_grid->TextMatrix(row, col), QString());
    }
    m_grid->setRows(0);
    QCOMPARE(m_grid->Rows(), 1);
    QCOMPARE(m_grid->TextMatrix(0, 2), QStringLiteral("TelPhone"));
}

void TestGrid::clearEmptiesEveryCellAndKeepsTheSize()
{
    QAbstractItemModelTester tester(m_grid->model());
    fillNumbered(*m_grid, 4);
    m_grid->setTextMatrix(0, 0, QStringLiteral("corner"));
    QSignalSpy headerChanged(m_grid->model(), &QAbstractItemModel::headerDataChanged);

    m_grid->Clear();
    QCOMPARE(m_grid->Rows(), 5);
    QCOMPARE(m_grid->Cols(), 3);
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 3; ++col)
            QCOMPARE(m_grid->TextMatrix(row, col), QString());
    }
    QCOMPARE(headerChanged.count(), 2); // the view redraws both headers
    m_grid->setTextMatrix(3, 2, QStringLiteral("again"));
    QCOMPARE(m_grid->TextMatrix(3, 2), QStringLiteral("again"));
}

void TestGrid::batchReachesTheViewInOneReset()
{
    QAbstractItemModelTester tester(m_grid->model());
    QSignalSpy reset(m_grid->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(m_grid->model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(m_grid->model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(m_grid->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy headerChanged(m_grid->model(), &QAbstractItemModel::headerDataChanged);
    {
        ui::Batch batch(*m_grid);
        fillNumbered(*m_grid, 300);
        QCOMPARE(reset.count(), 0);
    }
    QCOMPARE(reset.count(), 1);
    QCOMPARE(inserted.count() + removed.count() + changed.count() + headerChanged.count(), 0);
    QCOMPARE(m_grid->model()->rowCount(), 300);
    QCOMPARE(m_grid->TextMatrix(300, 2), QStringLiteral("1300"));

    m_grid->AddItem(QStringLiteral("301"));
    QCOMPARE(inserted.count(), 1);
}

void TestGrid::holdsAHundredThousandRows()
{
    constexpr int count = 100000;
    {
        ui::Batch batch(*m_grid);
        fillNumbered(*m_grid, count);
    }
    QCOMPARE(m_grid->Rows(), count + 1);
    QCOMPARE(m_grid->TextMatrix(count, 1), QStringLiteral("name %1").arg(count));
    QCOMPARE(m_grid->TextMatrix(count / 2, 2), QString::number(1000 + count / 2));
    m_grid->setRows(1);
    QCOMPARE(m_grid->TextMatrix(0, 1), QStringLiteral("Name"));
}

void TestGrid::rowSelFollowsTheSelection()
{
    fillNumbered(*m_grid, 6);
    show();
    QCOMPARE(m_grid->RowSel(), 0);
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(3, 2));
    QCOMPARE(m_grid->RowSel(), 3);
    m_grid->selectRow(4);
    QCOMPARE(m_grid->RowSel(), 5);
    // Rewriting the selected row keeps it selected; a refill selects nothing.
    m_grid->setTextMatrix(5, 1, QStringLiteral("renamed"));
    QCOMPARE(m_grid->RowSel(), 5);
    fillNumbered(*m_grid, 6);
    QCOMPARE(m_grid->RowSel(), 0);
    m_grid->selectRow(2);
    {
        ui::Batch batch(*m_grid);
        fillNumbered(*m_grid, 6);
    }
    QCOMPARE(m_grid->RowSel(), 0);
}

void TestGrid::rightPressKeepsTheSelection()
{
    fillNumbered(*m_grid, 6);
    show();
    m_grid->selectRow(1);
    QSignalSpy mouseDown(m_grid, &ui::Grid::MouseDown);
    int rowSelAtMouseDown = -1;
    connect(m_grid, &ui::Grid::MouseDown, this, [&] { rowSelAtMouseDown = m_grid->RowSel(); });

    const QPoint at = cellCentre(5, 1);
    QTest::mouseClick(m_grid->viewport(), Qt::RightButton, Qt::ShiftModifier, at);
    QCOMPARE(m_grid->RowSel(), 2);
    QCOMPARE(rowSelAtMouseDown, 2);
    QCOMPARE(mouseDown.count(), 1);
    QCOMPARE(mouseDown.at(0).at(0).toInt(), int(ui::RightButton));
    QCOMPARE(mouseDown.at(0).at(1).toInt(), int(ui::ShiftMask));
    QCOMPARE(mouseDown.at(0).at(2).toPoint(), m_grid->viewport()->mapToGlobal(at));
}

void TestGrid::rightPressAnywhereIsReported()
{
    fillNumbered(*m_grid, 2);
    show();
    m_grid->selectRow(0);
    QSignalSpy mouseDown(m_grid, &ui::Grid::MouseDown);
    QHeaderView* columns = m_grid->horizontalHeader();
    QHeaderView* rows = m_grid->verticalHeader();
    auto* corner = m_grid->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(corner);
    const QList<QPair<QWidget*, QPoint>> places{
        {columns->viewport(), QPoint(columns->sectionPosition(1) + 5, 5)},
        {rows->viewport(), QPoint(5, rows->sectionPosition(1) + 5)},
        {corner, QPoint(2, 2)},
        {m_grid->viewport(), QPoint(5, m_grid->viewport()->height() - 5)}, // below the rows
    };
    for (const auto& [widget, point] : places)
        QTest::mouseClick(widget, Qt::RightButton, {}, point);
    QCOMPARE(mouseDown.count(), places.size());
    for (int i = 0; i < places.size(); ++i) {
        QCOMPARE(mouseDown.at(i).at(0).toInt(), int(ui::RightButton));
        QCOMPARE(mouseDown.at(i).at(2).toPoint(), places[i].first->mapToGlobal(places[i].second));
    }
    QCOMPARE(m_grid->RowSel(), 1);
}

void TestGrid::menuKeysPointUnderTheSelectedRow()
{
    fillNumbered(*m_grid, 3);
    show();
    QSignalSpy menuKey(m_grid, &ui::Grid::MenuKey);
    QTest::keyClick(m_grid, Qt::Key_Menu);
    m_grid->selectRow(1);
    QTest::keyClick(m_grid, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(m_grid, Qt::Key_F10); // F10 alone is no menu key
    QCOMPARE(menuKey.count(), 2);
    QCOMPARE(m_grid->viewport()->mapFromGlobal(menuKey.at(0).at(0).toPoint()), QPoint(4, 4));
    const QRect row = m_grid->visualRect(m_grid->model()->index(1, 0));
    QCOMPARE(m_grid->viewport()->mapFromGlobal(menuKey.at(1).at(0).toPoint()), QPoint(row.left() + 4, row.bottom()));
    QCOMPARE(m_grid->RowSel(), 2);
}

void TestGrid::isReadOnlyAndSelectsWholeRows()
{
    fillNumbered(*m_grid, 3);
    show();
    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    QTest::keyClick(m_grid, Qt::Key_F2);
    QTest::keyClicks(m_grid, QStringLiteral("typed"));
    QVERIFY(!m_grid->findChild<QLineEdit*>());
    QCOMPARE(m_grid->TextMatrix(2, 1), QStringLiteral("name 2"));

    const QModelIndexList selected = m_grid->selectionModel()->selectedIndexes();
    QCOMPARE(selected.size(), 2);
    QCOMPARE(selected.at(0).row(), 1);
    QCOMPARE(selected.at(1).row(), 1);
}

void TestGrid::tabLeavesTheGrid()
{
    auto* other = new QLineEdit(m_window.get());
    other->move(320, 10);
    fillNumbered(*m_grid, 3);
    show();
    m_grid->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(m_grid->hasFocus());
    QSignalSpy lost(m_grid, &ui::Grid::LostFocus);

    QTest::keyClick(m_grid, Qt::Key_Tab);
    QVERIFY(other->hasFocus());
    QCOMPARE(lost.count(), 1);
}

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
