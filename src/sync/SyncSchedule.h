#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

// When a notes folder syncs by itself: a round as soon as it is switched on, then one a
// minute, which both sends what changed here and asks the site for what changed there. After
// a failure the next round waits twice as long as the last wait, up to half an hour, so that
// a site that is down is not hammered; a round that works brings the minute back.
class SyncSchedule final : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 60 * 1000;
    static constexpr int kLongestWaitMs = 30 * 60 * 1000;

    explicit SyncSchedule(QObject *parent = nullptr);

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // The round that roundDue() asked for has ended; no round is due while one runs.
    void roundFinished(bool failed);
    // The wait before the next round, as it is now.
    int waitMs() const { return m_waitMs; }
    // For tests, which cannot wait a minute.
    void setPeriod(int ms);

signals:
    void roundDue();

private:
    void due();

    QTimer m_timer;
    bool m_enabled = false;
    bool m_running = false;
    int m_periodMs = kPeriodMs;
    int m_waitMs = kPeriodMs;
};
