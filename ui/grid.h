#pragma once

#include "ui/tagged.h"

#include <QTableView>

namespace ui {

class GridModel;

// A grid of text cells with one fixed header row (row 0) and one fixed
// column (column 0). Row 0 is drawn as the column headers and column 0 as the
// row headers; the data rows are 1 to Rows() - 1. Made inside the window it
// is shown in, whose focus it follows.
class Grid : public QTableView, public Tagged
{
    Q_OBJECT

public:
    explicit Grid(int rows, int cols, QWidget* parent = nullptr);

    int Rows() const;          // header row included
    void setRows(int rows);    // at least 1; new rows are empty
    int Cols() const;
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // The last row of the current selection, or 0 when no data row is selected.
    int RowSel() const;
    // Appends a row whose column 0 shows the text.
    void AddItem(const QString& text);
    // Empties every cell, fixed ones included; the size stays.
    void Clear();

signals:
    // As for ListBox.
    void GotFocus();
    void LostFocus();
    // As for ListBox, wherever the press is: on a data row, the header row,
    // the row numbers or the empty area below the rows. A right press never
    // changes the selection.
    void MouseDown(int Button, int Shift, QPoint globalPos);
    // As for ListBox, under the selected row.
    void MenuKey(QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class Batch;

    GridModel* m_model;
};

} // namespace ui
