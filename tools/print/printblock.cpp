#include "tools/print/printblock.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>

#include <cmath>

PrintBlock::PrintBlock(const QString& text, const QString& figure, const QFont& font, QPaintDevice* device,
                       qreal width)
    : m_text(text, font, device)
    , m_figure(figure, font, device)
    , m_width(width)
{
    const QFontMetricsF metrics(font, device);
    m_lineHeight = metrics.lineSpacing();
    layOut(m_figure, width);
    const qreal figureWidth = figure.isEmpty() ? 0 : m_figure.lineAt(0).naturalTextWidth();
    // Room for a few dots at least between the text and the figure; a
    // figure too wide to share a line with the text gets one of its own.
    const qreal shared = width - figureWidth - 3 * metrics.averageCharWidth();
    const bool apart = !figure.isEmpty() && shared < width / 3;
    layOut(m_text, figure.isEmpty() || apart ? width : shared);
    m_lines = m_text.lineCount() + (apart ? 1 : 0);
    if (figure.isEmpty())
        return;

    const qreal textEnd = apart ? 0 : m_text.lineAt(m_text.lineCount() - 1).naturalTextWidth();
    // Dots on a grid counted from the column's right edge, so that the
    // leaders of lines one below the other line up; the line runs a little
    // past the last dot, which the dash pattern would otherwise leave out.
    const qreal pitch = m_lineHeight / 3;
    const qreal start = width - std::floor((width - textEnd - pitch) / pitch) * pitch;
    const qreal end = width - std::ceil((figureWidth + pitch) / pitch) * pitch;
    const qreal baseline = metrics.ascent() - m_lineHeight / 24;
    if (start <= end)
        m_leader = QLineF(start, baseline, end + pitch / 10, baseline);
}

void PrintBlock::layOut(QTextLayout& layout, qreal width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Names of any script start at the column's left edge, so that a right
    // to left name keeps its leader and number where the others have them.
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    layout.setTextOption(option);
    // Kept shaped for painting, which would otherwise shape it all again.
    layout.setCacheEnabled(true);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
}

qreal PrintBlock::height(int from, int to) const
{
    return (to - from) * m_lineHeight;
}

void PrintBlock::draw(QPainter& painter, const QPointF& topLeft, int from, int to, std::vector<QLineF>& leaders) const
{
    const QPointF origin = topLeft - QPointF(0, from * m_lineHeight);
    for (int i = from; i < to && i < m_text.lineCount(); ++i)
        m_text.lineAt(i).draw(&painter, origin + QPointF(0, i * m_lineHeight - m_text.lineAt(i).y()));
    if (to != m_lines || m_figure.text().isEmpty())
        return;
    const QPointF last = origin + QPointF(0, (m_lines - 1) * m_lineHeight);
    m_figure.lineAt(0).draw(&painter, last + QPointF(m_width - m_figure.lineAt(0).naturalTextWidth(), 0));
    if (!m_leader.isNull())
        leaders.push_back(m_leader.translated(last));
}
