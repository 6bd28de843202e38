#pragma once

#include "tools/print/phonelist.h"
#include "tools/print/printblock.h"

#include <QFont>
#include <QString>

#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;

// A phone list laid out on the pages of a PDF or a printer, to pin on the
// wall: sections in columns, a section never starting at a column's foot,
// one that runs on repeating its heading with "(continued)"; every page
// headed by the directory's name and the date, and footed "page N of M";
// when there is more than one page, an index of the sections with the page
// each starts on, at the end.
class PrintedPages
{
public:
    struct Options
    {
        QString title;   // the directory's name
        QString date;
        int columns = 2; // 1 to 3
        QString empty;   // what the one page says when nothing is listed
    };

    // Lays everything out for `device`, whose page size and margins are set
    // already; nothing is painted yet.
    PrintedPages(const PhoneList& list, const Options& options, QPagedPaintDevice& device);
    ~PrintedPages();
    PrintedPages(const PrintedPages&) = delete;
    PrintedPages& operator=(const PrintedPages&) = delete;

    int pageCount() const { return int(m_pages.size()); }
    // False when the device takes no painting: a printer that refused, a
    // file that could not be written.
    bool paint();

private:
    struct Placement
    {
        const PrintBlock* block;
        int from, to; // its lines on this page
        int column;
        qreal y;
        bool heading;
    };

    // Returns the page the section starts on.
    int section(const QString& heading, const std::vector<PhoneList::Line>& lines);
    const PrintBlock& block(const QString& text, const QString& figure, const QFont& font);
    // Puts `block` at the current place, running on into the next columns,
    // each headed by `continued`, where it does not fit.
    void place(const PrintBlock& block, bool heading, const PrintBlock* continued);
    void put(const PrintBlock& block, int from, int to, bool heading);
    void nextColumn(const PrintBlock* continued);
    void paintFrame(QPainter& painter, int page) const;

    QPagedPaintDevice& m_device;
    Options m_options;
    QFont m_entryFont, m_headingFont, m_titleFont, m_smallFont;
    qreal m_columnWidth, m_columnGap, m_bodyTop, m_bodyHeight, m_sectionGap;
    std::vector<std::unique_ptr<PrintBlock>> m_blocks;
    std::vector<std::vector<Placement>> m_pages;
    int m_column = 0;
    qreal m_y = 0;     // from the body's top
    bool m_fresh = true; // the column holds nothing yet but a "(continued)" heading
};
