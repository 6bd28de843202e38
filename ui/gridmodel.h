#pragma once

#include "ui/batchedmodel.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace ui {

// The cells of a Grid, fixed row and column included. The model shows data
// row r (1..rows-1) as model row r-1 and column c (1..cols-1) as model column
// c-1; row 0 feeds the horizontal header and column 0 the vertical one.
//
// A level can hold a hundred thousand telephones, so the cells are kept
// compact: every text lives as UTF-8 in one growing arena and a cell is only
// an (offset, length) pair into it. A rewritten cell appends its new text;
// the arena is rebuilt once enough of it is stale.
class GridModel : public BatchedModel
{
    Q_OBJECT

public:
    GridModel(int rows, int cols, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int rows() const { return m_rows; }
    int cols() const { return m_cols; }
    void setRows(int rows);
    // The empty text outside the grid.
    QString text(int row, int col) const;
    // Ignored outside the grid.
    void setText(int row, int col, const QString& text);
    void appendRow(const QString& firstCell);
    void clearTexts();

private:
    struct Span
    {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    Span& cell(int row, int col) { return m_cells[std::size_t(row) * std::size_t(m_cols) + std::size_t(col)]; }
    const Span& cell(int row, int col) const
    {
        return m_cells[std::size_t(row) * std::size_t(m_cols) + std::size_t(col)];
    }
    bool contains(int row, int col) const { return row >= 0 && row < m_rows && col >= 0 && col < m_cols; }
    void store(Span& span, const QByteArray& bytes);
    void compact();
    void announceCell(int row, int col);

    int m_rows;
    const int m_cols;
    std::vector<Span> m_cells; // row-major, m_rows * m_cols
    QByteArray m_arena;
    qsizetype m_staleBytes = 0; // arena bytes no cell refers to any more
};

} // namespace ui
