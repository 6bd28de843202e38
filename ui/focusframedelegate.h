#pragma once

#include <QStyledItemDelegate>

namespace ui {

// Draws a view's items with nothing selection-like on an item that is not
// selected: the keyboard's current item gets a plain dotted frame while the
// view has the focus, where the style would fill it with a pale highlight
// that reads as a selection.
class FocusFrameDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace ui
