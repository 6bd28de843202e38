#include "ui/batch.h"

#include "ui/grid.h"
#include "ui/gridmodel.h"
#include "ui/listbox.h"
#include "ui/listmodel.h"

namespace ui {

Batch::Batch(ListBox& list)
    : Batch(*list.m_model)
{
}

Batch::Batch(Grid& grid)
    : Batch(*grid.m_model)
{
}

Batch::Batch(BatchedModel& model)
    : m_model(model)
{
    m_model.beginBatch();
}

Batch::~Batch()
{
    m_model.endBatch();
}

} // namespace ui
