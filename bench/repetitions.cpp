#include "repetitions.h"

#include <cstdio>
#include <utility>

Repetitions::Repetitions(QString figure, int planned, bool quick)
    : m_figure(std::move(figure))
    , m_planned(planned)
    , m_quick(quick)
{
    m_clock.start();
}

bool Repetitions::next()
{
    if (m_done >= m_planned || (m_quick && m_done >= 1 && m_clock.elapsed() > BudgetMs))
        return false;
    ++m_done;
    return true;
}

void Repetitions::finish() const
{
    if (m_done < m_planned)
        std::printf("# %s: %d of %d repetitions, the others did not fit the quick mode's time budget\n", qPrintable(m_figure),
                    m_done, m_planned);
}
