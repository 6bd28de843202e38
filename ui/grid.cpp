#include "ui/grid.h"

#include "ui/focusframedelegate.h"
#include "ui/gridmodel.h"
#include "ui/mousebuttons.h"
#include "ui/twips.h"
#include "ui/viewevents.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace ui {

namespace {

// The row header sizes itself to its widest label, measuring the first and
// the last hundred labels again after every added row: a grid that takes one
// entry after another would measure two hundred texts per entry. A label's
// size depends on its text alone while font and style stay the same (the
// model gives the header nothing but text), so each size is measured once.
class RowHeader : public QHeaderView
{
public:
    explicit RowHeader(QWidget* parent)
        : QHeaderView(Qt::Vertical, parent)
    {
    }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        const QString text = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
        const auto known = m_sizes.constFind(text);
        if (known != m_sizes.cend())
            return *known;
        if (m_sizes.size() >= 4096)
            m_sizes.clear(); // labels a fill has long scrolled past
        const QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
        m_sizes.insert(text, size);
        return size;
    }

    // A new font or style reaches the viewport first, whose handler sizes the
    // header again at once; the header's own change event comes after.
    bool viewportEvent(QEvent* event) override
    {
        forgetSizesOn(event);
        return QHeaderView::viewportEvent(event);
    }

    void changeEvent(QEvent* event) override
    {
        forgetSizesOn(event);
        QHeaderView::changeEvent(event);
    }

private:
    void forgetSizesOn(const QEvent* event) const
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_sizes.clear();
    }

    mutable QHash<QString, QSize> m_sizes;
};

} // namespace

Grid::Grid(int rows, int cols, QWidget* parent)
    : QTableView(parent)
    , m_model(new GridModel(rows, cols, this))
{
    setVerticalHeader(new RowHeader(this));
    setModel(m_model);
    setItemDelegate(new FocusFrameDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setCornerButtonEnabled(false);
    // Tab leaves the grid for the next control instead of walking its cells.
    setTabKeyNavigation(false);
    setWordWrap(false);

    // The fixed row and column are plain captions: clicking them selects
    // nothing, and every row keeps one height however many there are.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
    }
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(twips(255));
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setDefaultSectionSize(twips(1200));
    horizontalHeader()->setStretchLastSection(true);

    // The headers and the corner between them are widgets of their own: a
    // press there would never reach mousePressEvent.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()})
        header->viewport()->installEventFilter(this);
    if (auto* corner = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
        corner->installEventFilter(this);
    reportWindowFocus(this);
}

int Grid::Rows() const
{
    return m_model->rows();
}

void Grid::setRows(int rows)
{
    m_model->setRows(rows);
}

int Grid::Cols() const
{
    return m_model->cols();
}

QString Grid::TextMatrix(int row, int col) const
{
    return m_model->text(row, col);
}

void Grid::setTextMatrix(int row, int col, const QString& text)
{
    m_model->setText(row, col, text);
}

int Grid::RowSel() const
{
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty())
        return 0;
    return selection.last().bottom() + 1;
}

void Grid::AddItem(const QString& text)
{
    m_model->appendRow(text);
}

void Grid::Clear()
{
    m_model->clearTexts();
}

void Grid::mousePressEvent(QMouseEvent* event)
{
    // The grid menu acts on the row selected before the right click.
    const bool right = involvesRightButton(event);
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                   event->globalPosition().toPoint());
    if (right)
        event->accept();
    else
        QTableView::mousePressEvent(event);
}

bool Grid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* press = static_cast<QMouseEvent*>(event);
        emit MouseDown(buttonCode(press->button()), shiftCode(press->modifiers()),
                       press->globalPosition().toPoint());
        if (involvesRightButton(press))
            return true;
    }
    return QTableView::eventFilter(watched, event);
}

void Grid::keyPressEvent(QKeyEvent* event)
{
    if (isMenuKey(event)) {
        const int row = RowSel();
        emit MenuKey(menuPoint(this, row > 0 ? m_model->index(row - 1, 0) : QModelIndex()));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace ui
