#pragma once

#include "ui/batchedmodel.h"

#include <QStringList>

namespace ui {

// The texts of a ListBox, in the order added, in its one column.
class ListModel : public BatchedModel
{
    Q_OBJECT

public:
    explicit ListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void append(const QString& text);
    void clear();
    // The empty text outside 0..count-1.
    QString text(int row) const;

private:
    QStringList m_texts;
};

} // namespace ui
