#include "sync/SyncSchedule.h"

#include <algorithm>

SyncSchedule::SyncSchedule(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SyncSchedule::due);
}

void SyncSchedule::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    m_waitMs = m_periodMs;
    m_timer.stop();
    if (enabled && !m_running)
        m_timer.start(0);
}

void SyncSchedule::setPeriod(int ms)
{
    m_periodMs = ms;
    m_waitMs = ms;
}

void SyncSchedule::due()
{
    if (!m_enabled || m_running)
        return;
    m_running = true;
    emit roundDue();
}

void SyncSchedule::roundFinished(bool failed)
{
    // Rounds asked for by hand end here too: they count for the back-off alike.
    m_running = false;
    m_waitMs = failed ? std::min(m_waitMs * 2, std::max(kLongestWaitMs, m_periodMs)) : m_periodMs;
    if (m_enabled)
        m_timer.start(m_waitMs);
}
