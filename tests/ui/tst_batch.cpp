#include "ui/batch.h"

#include "ui/grid.h"
#include "ui/listbox.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

void add(ui::ListBox& list, const QString& text)
{
    list.AddItem(text);
}

void add(ui::Grid& grid, const QString& text)
{
    grid.AddItem(text);
}

// What the model announces to its views.
struct Announced
{
    explicit Announced(QAbstractItemModel* model)
        : aboutToReset(model, &QAbstractItemModel::modelAboutToBeReset)
        , reset(model, &QAbstractItemModel::modelReset)
        , inserted(model, &QAbstractItemModel::rowsInserted)
    {
    }

    QSignalSpy aboutToReset;
    QSignalSpy reset;
    QSignalSpy inserted;
};

template <class Control>
void nestedBatchesEndInOneReset(Control& control, int rowsBefore)
{
    QAbstractItemModelTester tester(control.model());
    Announced announced(control.model());
    {
        ui::Batch outer(control);
        add(control, QStringLiteral("one"));
        {
            ui::Batch inner(control);
            add(control, QStringLiteral("two"));
        }
        // The inner batch must not end the reset while the outer one still
        // fills the model.
        QCOMPARE(announced.reset.count(), 0);
        add(control, QStringLiteral("three"));
    }
    QCOMPARE(announced.aboutToReset.count(), 1);
    QCOMPARE(announced.reset.count(), 1);
    QCOMPARE(announced.inserted.count(), 0);
    QCOMPARE(control.model()->rowCount(), rowsBefore + 3);
}

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void nestedBatchesOnAListBox();
    void nestedBatchesOnAGrid();
    void batchesOnTwoListsStayApart();
};

void TestBatch::nestedBatchesOnAListBox()
{
    QWidget window;
    auto* list = new ui::ListBox(&window);
    list->AddItem(QStringLiteral("old"));
    nestedBatchesEndInOneReset(*list, 1);
    QCOMPARE(list->List(3), QStringLiteral("three"));
}

void TestBatch::nestedBatchesOnAGrid()
{
    QWidget window;
    auto* grid = new ui::Grid(2, 3, &window);
    nestedBatchesEndInOneReset(*grid, 1);
    QCOMPARE(grid->TextMatrix(4, 0), QStringLiteral("three"));
}

// The main window fills a list and its hidden twin under two batches at once.
void TestBatch::batchesOnTwoListsStayApart()
{
    QWidget window;
    auto* names = new ui::ListBox(&window);
    auto* codes = new ui::ListBox(&window);
    Announced namesAnnounced(names->model());
    Announced codesAnnounced(codes->model());
    {
        ui::Batch namesBatch(*names);
        {
            ui::Batch codesBatch(*codes);
            names->AddItem(QStringLiteral("Work"));
            codes->AddItem(QStringLiteral("7"));
        }
        QCOMPARE(codesAnnounced.reset.count(), 1);
        QCOMPARE(namesAnnounced.reset.count(), 0);
        // Outside its batch the twin announces each row again.
        codes->AddItem(QStringLiteral("8"));
        QCOMPARE(codesAnnounced.inserted.count(), 1);
    }
    QCOMPARE(namesAnnounced.reset.count(), 1);
    QCOMPARE(namesAnnounced.inserted.count(), 0);
    QCOMPARE(codesAnnounced.reset.count(), 1);
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
