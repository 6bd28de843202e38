#include "tools/print/printedpages.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

namespace {

QFont font(qreal points, bool bold)
{
    QFont font;
    // DejaVu Sans has Latin, Greek, Cyrillic, Arabic and Hebrew; CJK and
    // emoji come from whatever fontconfig finds for them.
    font.setFamilies({QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString headingOf(const QStringList& path)
{
    return path.isEmpty() ? QStringLiteral("Top level") : path.join(QStringLiteral(" / "));
}

} // namespace

PrintedPages::PrintedPages(const PhoneList& list, const Options& options, QPagedPaintDevice& device)
    : m_device(device)
    , m_options(options)
    , m_entryFont(font(9, false))
    , m_headingFont(font(10, true))
    , m_titleFont(font(12, true))
    , m_smallFont(font(8, false))
{
    const qreal perMillimetre = device.logicalDpiY() / 25.4;
    const QFontMetricsF title(m_titleFont, &device);
    const QFontMetricsF small(m_smallFont, &device);
    const QFontMetricsF entry(m_entryFont, &device);
    m_columnGap = 6 * perMillimetre;
    m_columnWidth = (device.width() - (options.columns - 1) * m_columnGap) / options.columns;
    m_bodyTop = title.lineSpacing() + 4 * perMillimetre;
    m_bodyHeight = device.height() - m_bodyTop - small.lineSpacing() - 4 * perMillimetre;
    m_sectionGap = entry.lineSpacing() * 0.8;
    m_pages.emplace_back();

    std::vector<std::pair<QString, int>> starts;
    for (const PhoneList::Section& s : list.sections())
        starts.push_back({headingOf(s.path), section(headingOf(s.path), s.lines)});
    if (starts.empty())
        place(block(options.empty, QString(), m_entryFont), false, nullptr);
    if (m_pages.size() > 1) {
        nextColumn(nullptr);
        while (m_column != 0)
            nextColumn(nullptr);
        std::vector<PhoneList::Line> index;
        for (const auto& [heading, page] : starts)
            index.push_back({heading, QString::number(page)});
        section(QStringLiteral("Index"), index);
    }
}

PrintedPages::~PrintedPages() = default;

const PrintBlock& PrintedPages::block(const QString& text, const QString& figure, const QFont& font)
{
    m_blocks.push_back(std::make_unique<PrintBlock>(text, figure, font, &m_device, m_columnWidth));
    return *m_blocks.back();
}

int PrintedPages::section(const QString& heading, const std::vector<PhoneList::Line>& lines)
{
    const PrintBlock& head = block(heading, QString(), m_headingFont);
    const PrintBlock& continued = block(heading + QStringLiteral(" (continued)"), QString(), m_headingFont);
    std::vector<const PrintBlock*> entries;
    entries.reserve(lines.size());
    for (const PhoneList::Line& line : lines)
        entries.push_back(&block(line.name, line.number, m_entryFont));

    // Never a heading alone at a column's foot: it keeps its first two
    // entries with it.
    qreal kept = (m_fresh ? 0 : m_sectionGap) + head.height(0, head.lineCount());
    for (size_t i = 0; i < std::min<size_t>(2, entries.size()); ++i)
        kept += entries[i]->height(0, entries[i]->lineCount());
    if (!m_fresh && m_y + kept > m_bodyHeight)
        nextColumn(nullptr);
    if (!m_fresh)
        m_y += m_sectionGap;
    const int page = int(m_pages.size());
    place(head, true, nullptr);
    for (const PrintBlock* entry : entries)
        place(*entry, false, &continued);
    return page;
}

void PrintedPages::place(const PrintBlock& block, bool heading, const PrintBlock* continued)
{
    const int lines = block.lineCount();
    // A block goes whole into the next column rather than split, unless it
    // would not fit there either.
    if (!m_fresh && m_y + block.height(0, lines) > m_bodyHeight)
        nextColumn(continued);
    int from = 0;
    while (from < lines) {
        int to = from;
        while (to < lines && m_y + block.height(from, to + 1) <= m_bodyHeight)
            ++to;
        if (to == from) {
            if (!m_fresh) {
                nextColumn(continued);
                continue;
            }
            to = from + 1; // a line higher than a column: no other place is better
        }
        put(block, from, to, heading);
        from = to;
    }
}

void PrintedPages::put(const PrintBlock& block, int from, int to, bool heading)
{
    m_pages.back().push_back({&block, from, to, m_column, m_bodyTop + m_y, heading});
    m_y += block.height(from, to);
    m_fresh = false;
}

void PrintedPages::nextColumn(const PrintBlock* continued)
{
    if (++m_column == m_options.columns) {
        m_column = 0;
        m_pages.emplace_back();
    }
    m_y = 0;
    if (continued) {
        put(*continued, 0, continued->lineCount(), true);
        m_y += m_sectionGap / 4;
    }
    m_fresh = true;
}

bool PrintedPages::paint()
{
    QPainter painter;
    if (!painter.begin(&m_device))
        return false;
    // Leaders as dots: dashes of almost no length with round caps, one
    // stroke for all of a page's.
    const qreal dotPitch = QFontMetricsF(m_entryFont, &m_device).lineSpacing() / 3;
    QPen dots(Qt::black, dotPitch / 4);
    dots.setCapStyle(Qt::RoundCap);
    dots.setDashPattern({0.01, dotPitch / dots.widthF() - 0.01});
    const QPen rule(Qt::black, m_device.logicalDpiY() / 144.0);
    std::vector<QLineF> leaders, rules;
    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0 && !m_device.newPage())
            return false;
        paintFrame(painter, page);
        leaders.clear();
        rules.clear();
        painter.setPen(Qt::black);
        for (const Placement& p : m_pages[size_t(page)]) {
            const qreal x = p.column * (m_columnWidth + m_columnGap);
            p.block->draw(painter, QPointF(x, p.y), p.from, p.to, leaders);
            if (p.heading && p.to == p.block->lineCount()) {
                const qreal under = p.y + p.block->height(p.from, p.to);
                rules.emplace_back(x, under, x + m_columnWidth, under);
            }
        }
        painter.setPen(dots);
        painter.drawLines(leaders.data(), int(leaders.size()));
        painter.setPen(rule);
        painter.drawLines(rules.data(), int(rules.size()));
    }
    return painter.end();
}

void PrintedPages::paintFrame(QPainter& painter, int page) const
{
    const qreal width = m_device.width();
    const QFontMetricsF title(m_titleFont, &m_device);
    const QFontMetricsF small(m_smallFont, &m_device);
    painter.setPen(Qt::black);
    painter.setFont(m_smallFont);
    const qreal dateWidth = small.horizontalAdvance(m_options.date);
    painter.drawText(QPointF(width - dateWidth, title.ascent()), m_options.date);
    painter.setFont(m_titleFont);
    // The title alone may be shortened: the headings carry the whole paths.
    painter.drawText(QPointF(0, title.ascent()),
                     title.elidedText(m_options.title, Qt::ElideMiddle, width - dateWidth - 2 * small.averageCharWidth()));
    const qreal rule = title.lineSpacing() + 1;
    painter.setPen(QPen(Qt::black, m_device.logicalDpiY() / 72.0));
    painter.drawLine(QPointF(0, rule), QPointF(width, rule));

    painter.setPen(Qt::black);
    painter.setFont(m_smallFont);
    const QString footer = QStringLiteral("page %1 of %2").arg(page + 1).arg(pageCount());
    painter.drawText(QPointF((width - small.horizontalAdvance(footer)) / 2, m_device.height() - small.descent()), footer);
}
