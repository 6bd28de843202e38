#pragma once

#include <QFont>
#include <QLineF>
#include <QString>
#include <QTextLayout>

#include <vector>

class QPainter;
class QPaintDevice;
class QPointF;

// A piece of printed text wrapped into a column's width, as many lines as
// it needs: nothing is cut off, and a word longer than the column breaks
// anywhere. A figure (a number, a page) may stand at the right of its last
// line, joined to the text by a leader of dots, where the eye follows it
// across the column.
class PrintBlock
{
public:
    PrintBlock(const QString& text, const QString& figure, const QFont& font, QPaintDevice* device, qreal width);
    PrintBlock(const PrintBlock&) = delete;
    PrintBlock& operator=(const PrintBlock&) = delete;

    int lineCount() const { return m_lines; }
    // Of lines [from, to): a block may run on into the next column.
    qreal height(int from, int to) const;
    // Lines [from, to) with the top of line `from` at `topLeft`; the leader,
    // if one of them has it, is added to `leaders`, which a page strokes
    // all at once.
    void draw(QPainter& painter, const QPointF& topLeft, int from, int to, std::vector<QLineF>& leaders) const;

private:
    static void layOut(QTextLayout& layout, qreal width);

    QTextLayout m_text, m_figure;
    qreal m_width;
    qreal m_lineHeight;
    int m_lines; // the text's, and one more for a figure on a line of its own
    QLineF m_leader; // on the last line, from its top left
};
