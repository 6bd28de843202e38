#pragma once

namespace ui {

class BatchedModel;
class Grid;
class ListBox;

// Changes made to a list box or a grid while a Batch on it lives reach its
// view in one model reset, so a fill of many thousand rows costs no per-row
// view work. Batches on one control nest: the outermost ends the reset.
class Batch
{
public:
    explicit Batch(ListBox& list);
    explicit Batch(Grid& grid);
    ~Batch();

    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    explicit Batch(BatchedModel& model);

    BatchedModel& m_model;
};

} // namespace ui
