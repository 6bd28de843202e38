#include "ui/batchedmodel.h"

namespace ui {

void BatchedModel::beginBatch()
{
    if (m_batches++ == 0)
        beginResetModel();
}

void BatchedModel::endBatch()
{
    if (--m_batches == 0)
        endResetModel();
}

} // namespace ui
