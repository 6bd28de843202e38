#include "ui/listbox.h"

#include "ui/listmodel.h"
#include "ui/mousebuttons.h"
#include "ui/viewevents.h"

#include <QItemSelectionModel>

namespace ui {

ListBox::ListBox(QWidget* parent)
    : QListView(parent)
    , m_model(new ListModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row has the same height, which keeps lists of many thousand
    // folders cheap to lay out.
    setUniformItemSizes(true);
}

void ListBox::AddItem(const QString& text)
{
    m_model->append(text);
}

void ListBox::Clear()
{
    m_model->clear();
}

QString ListBox::List(int index) const
{
    return m_model->text(index);
}

int ListBox::ListCount() const
{
    return m_model->rowCount();
}

int ListBox::ListIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListBox::setSelected(int index, bool selected)
{
    const QModelIndex item = m_model->index(index, 0);
    if (!item.isValid())
        return;
    if (selected)
        selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->select(item, QItemSelectionModel::Deselect);
}

ListBox::Batch::Batch(ListBox& list)
    : m_list(list)
{
    m_list.m_model->beginBatch();
}

ListBox::Batch::~Batch()
{
    m_list.m_model->endBatch();
}

void ListBox::mousePressEvent(QMouseEvent* event)
{
    const bool right = involvesRightButton(event);
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                   event->globalPosition().toPoint());
    if (right) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit Click();
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    QListView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit DblClick();
}

void ListBox::keyPressEvent(QKeyEvent* event)
{
    const int before = ListIndex();
    QListView::keyPressEvent(event);
    const int after = ListIndex();
    if (after >= 0 && after != before)
        emit Click();
}

void ListBox::focusInEvent(QFocusEvent* event)
{
    QListView::focusInEvent(event);
    if (isRealFocusMove(event))
        emit GotFocus();
}

void ListBox::focusOutEvent(QFocusEvent* event)
{
    QListView::focusOutEvent(event);
    if (isRealFocusMove(event))
        emit LostFocus();
}

} // namespace ui
