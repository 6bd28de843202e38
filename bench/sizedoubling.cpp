#include "sizedoubling.h"

#include "measure.h"
#include "repetitions.h"

#include <utility>

SizeDoubling::SizeDoubling(QString shape, QString sizes)
    : m_shape(std::move(shape))
    , m_sizes(std::move(sizes))
{
}

void SizeDoubling::add(int times, const ToolProbe::Run& run)
{
    require(times == 1 || times == 2, QStringLiteral("a size is N or 2N"));
    m_ms[times - 1].push_back(run.ms);
    m_mb[times - 1].push_back(run.peakMB);
}

SizeDoubling::Result SizeDoubling::result() const
{
    return {m_shape, m_sizes, median(m_ms[0]), median(m_ms[1]), median(m_mb[0]), median(m_mb[1])};
}

SizeDoubling::Result SizeDoubling::measure(QString shape, QString sizes, int repetitions, bool quick,
                                           const std::function<ToolProbe::Run(int times)>& once)
{
    SizeDoubling doubling(std::move(shape), std::move(sizes));
    Repetitions repetition(doubling.m_shape, repetitions, quick);
    while (repetition.next()) {
        for (const int times : {1, 2})
            doubling.add(times, once(times));
    }
    repetition.finish();
    return doubling.result();
}
