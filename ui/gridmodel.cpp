#include "ui/gridmodel.h"

#include <algorithm>
#include <limits>

namespace ui {

GridModel::GridModel(int rows, int cols, QObject* parent)
    : BatchedModel(parent)
    , m_rows(std::max(rows, 1))
    , m_cols(std::max(cols, 1))
    , m_cells(std::size_t(m_rows) * std::size_t(m_cols))
{
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols - 1;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return text(index.row() + 1, index.column() + 1);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Horizontal)
        return section + 1 < m_cols ? QVariant(text(0, section + 1)) : QVariant();
    return section + 1 < m_rows ? QVariant(text(section + 1, 0)) : QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void GridModel::setRows(int rows)
{
    rows = std::max(rows, 1);
    if (rows == m_rows)
        return;
    const bool announce = !batching();
    if (rows > m_rows) {
        if (announce)
            beginInsertRows(QModelIndex(), m_rows - 1, rows - 2);
        m_cells.resize(std::size_t(rows) * std::size_t(m_cols));
        m_rows = rows;
        if (announce)
            endInsertRows();
        return;
    }
    if (announce)
        beginRemoveRows(QModelIndex(), rows - 1, m_rows - 2);
    const auto firstRemoved = m_cells.begin() + std::ptrdiff_t(rows) * m_cols;
    for (auto span = firstRemoved; span != m_cells.end(); ++span)
        m_staleBytes += span->length;
    m_cells.erase(firstRemoved, m_cells.end());
    m_rows = rows;
    if (m_staleBytes > m_arena.size() / 2)
        compact();
    if (announce)
        endRemoveRows();
}

QString GridModel::text(int row, int col) const
{
    if (!contains(row, col))
        return {};
    const Span& span = cell(row, col);
    return QString::fromUtf8(m_arena.constData() + span.offset, qsizetype(span.length));
}

void GridModel::setText(int row, int col, const QString& text)
{
    if (!contains(row, col))
        return;
    Span& span = cell(row, col);
    const QByteArray bytes = text.toUtf8();
    if (QByteArrayView(m_arena.constData() + span.offset, qsizetype(span.length)) == bytes)
        return;
    store(span, bytes);
    announceCell(row, col);
}

void GridModel::appendRow(const QString& firstCell)
{
    const bool announce = !batching();
    if (announce)
        beginInsertRows(QModelIndex(), m_rows - 1, m_rows - 1);
    m_cells.resize(m_cells.size() + std::size_t(m_cols));
    ++m_rows;
    store(cell(m_rows - 1, 0), firstCell.toUtf8());
    if (announce)
        endInsertRows();
}

void GridModel::clearTexts()
{
    std::fill(m_cells.begin(), m_cells.end(), Span());
    m_arena = QByteArray();
    m_staleBytes = 0;
    if (batching())
        return;
    if (m_rows > 1 && m_cols > 1)
        emit dataChanged(index(0, 0), index(m_rows - 2, m_cols - 2), {Qt::DisplayRole});
    if (m_cols > 1)
        emit headerDataChanged(Qt::Horizontal, 0, m_cols - 2);
    if (m_rows > 1)
        emit headerDataChanged(Qt::Vertical, 0, m_rows - 2);
}

void GridModel::store(Span& span, const QByteArray& bytes)
{
    m_staleBytes += span.length;
    if (bytes.isEmpty()) {
        span = Span();
    } else {
        constexpr qsizetype limit = std::numeric_limits<std::uint32_t>::max();
        if (m_arena.size() + bytes.size() > limit) {
            span = Span(); // its old text is stale already; compacting must not copy it
            compact();
            if (m_arena.size() + bytes.size() > limit)
                qFatal("The grid holds more than 4 GiB of text");
        }
        span.offset = std::uint32_t(m_arena.size());
        span.length = std::uint32_t(bytes.size());
        m_arena.append(bytes);
    }
    if (m_staleBytes > m_arena.size() / 2)
        compact();
}

void GridModel::compact()
{
    QByteArray arena;
    arena.reserve(m_arena.size() - m_staleBytes);
    for (Span& span : m_cells) {
        if (span.length == 0) {
            span.offset = 0;
            continue;
        }
        const qsizetype offset = arena.size();
        arena.append(m_arena.constData() + span.offset, qsizetype(span.length));
        span.offset = std::uint32_t(offset);
    }
    m_arena = std::move(arena);
    m_staleBytes = 0;
}

void GridModel::announceCell(int row, int col)
{
    if (batching() || (row == 0 && col == 0))
        return;
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, col - 1, col - 1);
    else if (col == 0)
        emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
    else
        emit dataChanged(index(row - 1, col - 1), index(row - 1, col - 1), {Qt::DisplayRole});
}

} // namespace ui
