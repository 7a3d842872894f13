#include "DailyBackup.h"

#include <QDateTime>
#include <QDebug>
#include <QThread>
#include <QTimer>

namespace {
constexpr int kDayMs = 24 * 60 * 60 * 1000;
constexpr int kStartDelayMs = 60 * 1000;
} // namespace

DailyBackup::DailyBackup(NoteBackups backups, QObject *parent)
    : QObject(parent), m_backups(std::move(backups)), m_timer(new QTimer(this))
{
    m_timer->setInterval(kDayMs);
    connect(m_timer, &QTimer::timeout, this, &DailyBackup::runNow);
}

DailyBackup::~DailyBackup()
{
    // A copy under way is let finish: a half-made day's folder is never left behind.
    if (m_running)
        m_running->wait();
}

void DailyBackup::start()
{
    m_timer->start();
    QTimer::singleShot(kStartDelayMs, this, &DailyBackup::runNow);
}

void DailyBackup::runNow()
{
    if (m_running)
        return;
    QThread *thread = QThread::create([this] {
        const NoteBackups::Result result = m_backups.run(QDateTime::currentDateTime());
        if (!result.error.isEmpty())
            qWarning("Pinvelle: the notes were not backed up: %s", qPrintable(result.error));
        QMetaObject::invokeMethod(this, [this, result] { emit finished(result); });
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_running = thread;
    thread->start(QThread::LowPriority);
}
