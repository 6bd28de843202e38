#pragma once

#include <QElapsedTimer>
#include <QString>

// Counts the repetitions of one figure. The quick mode also keeps each figure
// to a time budget, past which no further repetition starts: on a machine
// whose disk is busy with other work a commit can take ten times as long, and
// the quick mode must still end within its minutes.
class Repetitions
{
public:
    Repetitions(QString figure, int planned, bool quick);

    bool next();
    // Says so when the budget cut the repetitions short.
    void finish() const;

private:
    static constexpr qint64 BudgetMs = 10'000;

    QString m_figure;
    int m_planned;
    bool m_quick;
    int m_done = 0;
    QElapsedTimer m_clock;
};
