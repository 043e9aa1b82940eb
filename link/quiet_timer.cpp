#include "link/quiet_timer.h"

#include <QTimer>

#include <algorithm>

namespace velmora {

QuietTimer::QuietTimer(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    // A coarse timer may stretch 11 ms by several milliseconds and split or
    // merge replies.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &QuietTimer::tick);
}

void QuietTimer::setPeriod(int ms)
{
    ms = std::max(ms, 0);
    if (ms == m_period)
        return;
    m_period = ms;
    m_timer->stop();
    if (ms > 0)
        m_timer->start(ms);
}

} // namespace velmora
