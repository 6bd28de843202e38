#include "ui/listbox.h"

#include "ui/focusframedelegate.h"
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
    setItemDelegate(new FocusFrameDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row has the same height, which keeps lists of many thousand
    // folders cheap to lay out.
    setUniformItemSizes(true);
    reportWindowFocus(this);
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
    const int selected = ListIndex();
    if (isMenuKey(event)) {
        emit MenuKey(menuPoint(this, m_model->index(selected, 0)));
        event->accept();
        return;
    }
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && selected >= 0) {
        emit DblClick();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
    const int after = ListIndex();
    if (after >= 0 && after != selected)
        emit Click();
}

} // namespace ui
