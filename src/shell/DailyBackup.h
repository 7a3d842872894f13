#pragma once

#include "store/NoteBackups.h"

#include <QObject>
#include <QPointer>

class QThread;
class QTimer;

// Runs the notes folder's backup at start and then every day, off the window's thread so
// that copying never holds up typing. A backup that fails is logged and tried again at the
// next run.
class DailyBackup final : public QObject {
    Q_OBJECT
public:
    explicit DailyBackup(NoteBackups backups, QObject *parent = nullptr);
    ~DailyBackup() override;

    // The first run waits a minute, so that copying does not compete with opening the notes.
    void start();
    const QString &folder() const { return m_backups.folder(); }

signals:
    void finished(const NoteBackups::Result &result);

private:
    void runNow();

    NoteBackups m_backups;
    QTimer *m_timer;
    QPointer<QThread> m_running;
};
