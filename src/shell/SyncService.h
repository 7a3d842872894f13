#pragma once

#include "shell/ShellRequest.h"
#include "sync/SyncSchedule.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class SecretStore;
class SettingsStore;
class SyncClient;
class SyncRun;
class SyncWindow;
class WindowRegistry;
struct SyncOutcome;

// Two-way sync of the notes folder with the account on the notes site, as the program runs
// it: by hand (Sync Now, `pinvelle --sync`) and, when the user switched it on, by itself at
// start, once a minute and before exit. Keeps the device's token (in the desktop's secret
// store when there is one, else for this run only) and says how the last round went.
class SyncService final : public QObject {
    Q_OBJECT
public:
    // A note typed into within this long is left as it is for this round.
    static constexpr int kTypingPauseMs = 3000;
    // Exit waits at most this long for a last round.
    static constexpr int kExitRoundMs = 5000;

    SyncService(SettingsStore &settings, QString notesFolder, const WindowRegistry &windows,
                QObject *parent = nullptr);
    ~SyncService() override;

    void setSiteAddress(const QString &address);
    // Looks for a remembered account; an automatic sync starts once one is found.
    void start();

    // Lets the synchronisation window drive sync and show how it goes.
    void attach(SyncWindow *window);
    // A round now with the remembered account; without one, accountWanted() asks for it.
    ShellReply syncNow();
    // A round after signing this device in with the account's address and password.
    void signInAndSync(const QString &email, const QString &password);
    void setAutomatic(bool automatic);
    bool isAutomatic() const { return m_automatic; }
    bool isAutomaticAvailable() const { return m_secretsWork; }
    bool hasAccount() const { return !m_token.isEmpty(); }

    // Before exit: with automatic sync, one last round, for at most kExitRoundMs; `then`
    // runs once, when the round has ended or the time is up.
    void finishBeforeExit(std::function<void()> then);

    // How the last round went, in one line, for the tray icon's tooltip and the window.
    QString statusText() const { return m_status; }

    SyncSchedule &schedule() { return m_schedule; }

signals:
    // No account is remembered: the synchronisation window should ask for one.
    void accountWanted();
    void statusChanged(const QString &status);
    // Notes arrived, changed or went: the list should be read again.
    void notesChanged();
    // Both sides had changed a note: said once, without a box that takes the keyboard.
    void conflictsKept(const QString &message);
    // Whether automatic sync can be offered: it needs a secret store for the token.
    void automaticAvailabilityChanged(bool available, const QString &whyNot);

private:
    void startRound();
    void roundFinished(const SyncOutcome &outcome);
    void setStatus(const QString &status);
    void rememberToken(const QString &token);
    void forgetToken();
    QString secretKey() const;
    void runExitCallback();

    SettingsStore &m_settings;
    QString m_folder;
    const WindowRegistry &m_windows;
    QString m_siteAddress;
    QString m_email;
    QString m_token;
    bool m_automatic = false;
    bool m_secretsWork = false;
    QString m_secretsWhyNot;
    bool m_lookingUp = false; // the secret store has not answered yet
    bool m_wanted = false;    // a round was asked for while it had not
    bool m_exiting = false;   // the round before exit runs: no note is being typed into
    QString m_status;
    SyncSchedule m_schedule;
    QNetworkAccessManager *m_network;
    SecretStore *m_secrets;
    std::unique_ptr<SyncClient> m_client;
    QPointer<SyncRun> m_run;
    std::function<void()> m_afterExitRound;
    QPointer<SyncWindow> m_window;
};
