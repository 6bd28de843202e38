#include "ui/listmodel.h"

namespace ui {

ListModel::ListModel(QObject* parent)
    : BatchedModel(parent)
{
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_texts.size());
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole)
        return m_texts.at(index.row());
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ListModel::append(const QString& text)
{
    if (batching()) {
        m_texts.append(text);
        return;
    }
    const int row = int(m_texts.size());
    beginInsertRows(QModelIndex(), row, row);
    m_texts.append(text);
    endInsertRows();
}

void ListModel::clear()
{
    if (batching() || m_texts.isEmpty()) {
        m_texts.clear();
        return;
    }
    beginResetModel();
    m_texts.clear();
    endResetModel();
}

QString ListModel::text(int row) const
{
    return m_texts.value(row);
}

} // namespace ui
