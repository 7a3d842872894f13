#pragma once

#include "SyncClient.h"
#include "SyncDecision.h"
#include "SyncState.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QNetworkAccessManager;

// What one sync round did.
struct SyncOutcome {
    int uploaded = 0;      // notes sent up, conflict copies included
    int downloaded = 0;    // notes written here from the site
    int deletedHere = 0;   // local notes moved to the trash because the site deleted them
    int deletedThere = 0;  // site notes deleted because they were deleted here
    int skipped = 0;       // busy, or changed meanwhile on either side: decided again next round
    int failed = 0;        // refused by the site or not written here: failures says why
    QStringList conflicts; // the conflict copies made, by file name
    QStringList failures;  // one line per failed note
    bool tokenRefused = false; // the site no longer accepts the token: sign in again
    bool retryLater = false;   // the site could not be reached or was overloaded
    QString error;             // why the round stopped before its end; empty when it ran through
};

// One sync round of a notes folder with the site: lists the site's changes since the last
// round, compares each note with its base, and carries every change to the other side, one
// note at a time, saving the state after each step.
class SyncRun final : public QObject {
    Q_OBJECT
public:
    // True for a note whose window holds text not yet saved: such a note is left alone.
    using BusyCheck = std::function<bool(const QString &fileName)>;
    struct Account {
        QString site; // base address
        QString email;
        QByteArray token; // the device token from SyncClient::signIn
    };

    SyncRun(QString notesFolder, Account account, QNetworkAccessManager *network, BusyCheck busy,
            QObject *parent = nullptr);

    // Where the state lives: SyncState::pathFor(notesFolder) unless set before start().
    void setStatePath(const QString &path) { m_statePath = path; }
    // Starts the round; finished() follows, once.
    void start();
    bool isRunning() const { return m_running; }

signals:
    void progress(const QString &text);
    void finished(const SyncOutcome &outcome);

private:
    struct Local {
        FileStamp stamp;
        std::optional<QByteArray> digest; // as the decision sees it; nothing: no note here
        QByteArray fileDigest;            // of the file's own text
        QString text;                     // when it was read
        bool unreadable = false;
    };
    struct Step {
        QString name;
        SyncDecision::Action action = SyncDecision::Action::Nothing;
        SyncDecision::Site site;
    };

    void scanLocal();
    void plan(const SyncClient::Changes &changes);
    void next();
    // False when the step is done; true when it waits for the site and calls next() later.
    bool apply(const Step &step);
    void download(const Step &step, const SyncClient::Answer &answer);
    void conflict(const Step &step, const SyncClient::Answer &answer);
    void upload(const QString &name, const QString &text, std::optional<qint64> ifMatch,
                const FileStamp &stamp, const QByteArray &fileDigest);
    QString conflictCopy(const QString &name, const SyncClient::Answer &answer);
    // Counts a step the site did not take; false when the whole round has to stop.
    bool refused(const QString &name, const SyncClient::Answer &answer);
    void unresolved(const QString &name);
    void record(const QString &name, qint64 version, const QByteArray &digest,
                const FileStamp &stamp, const QByteArray &fileDigest);
    bool save();
    void stop(const QString &error);
    void finish();
    QString path(const QString &fileName) const;

    QString m_folder;
    Account m_account;
    BusyCheck m_busy;
    SyncClient m_client;
    QString m_statePath;
    SyncState m_state;
    QHash<QString, Local> m_local;
    QList<Step> m_steps;
    qsizetype m_next = 0;
    qsizetype m_busySteps = 0;
    qsizetype m_done = 0;
    QHash<QString, qint64> m_listed; // the site's version of each note in the list
    qint64 m_listedCursor = -1;
    std::optional<qint64> m_retryFrom; // the oldest listed change left for the next round
    bool m_dirty = false;
    bool m_running = false;
    bool m_stopped = false;
    SyncOutcome m_outcome;
};
