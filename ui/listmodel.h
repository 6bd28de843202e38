#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace ui {

// The texts of a ListBox, in the order added. Between beginBatch() and
// endBatch() mutations announce nothing row by row; the batch ends in one
// model reset.
class ListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit ListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void append(const QString& text);
    void clear();
    // The empty text outside 0..count-1.
    QString text(int row) const;

    void beginBatch();
    void endBatch();

private:
    QStringList m_texts;
    int m_batchDepth = 0;
};

} // namespace ui
