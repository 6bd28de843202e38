#pragma once

#include <QAbstractTableModel>

namespace ui {

// The model of a list box or a grid (the list's is a table of one column),
// whose changes a Batch gathers into one reset: while a Batch on it lives the
// model announces no row or cell on its own, and its views take it whole
// again when the outermost Batch ends.
class BatchedModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

protected:
    // While true a change goes unannounced: the reset at the end covers it.
    bool batching() const { return m_batches > 0; }

private:
    friend class Batch;
    void beginBatch();
    void endBatch();

    int m_batches = 0; // the Batches alive on this model
};

} // namespace ui
