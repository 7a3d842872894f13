#include "shell/SyncService.h"

#include "notes/NoteWindow.h"
#include "platform/SecretStore.h"
#include "platform/WindowRegistry.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "sync/SyncClient.h"
#include "sync/SyncLog.h"
#include "sync/SyncRun.h"
#include "sync/SyncWindow.h"

#include <QLocale>
#include <QNetworkAccessManager>
#include <QSysInfo>
#include <QTime>
#include <QTimer>

SyncService::SyncService(SettingsStore &settings, QString notesFolder,
                         const WindowRegistry &windows, QObject *parent)
    : QObject(parent), m_settings(settings), m_folder(std::move(notesFolder)), m_windows(windows),
      m_network(new QNetworkAccessManager(this)),
      m_secrets(new SecretStore(QStringLiteral("Pinvelle"), this))
{
    m_automatic = m_settings.readFlag(Keys::SyncAutomatic);
    m_email = m_settings.read(Keys::SyncEmail);
    connect(&m_schedule, &SyncSchedule::roundDue, this, &SyncService::startRound);
}

SyncService::~SyncService() = default;

void SyncService::setSiteAddress(const QString &address)
{
    if (address == m_siteAddress)
        return;
    m_siteAddress = address;
    // A token belongs to one site: another site's account is looked up afresh.
    m_token.clear();
    if (m_lookingUp)
        return;
    start();
}

QString SyncService::secretKey() const
{
    return QStringLiteral("sync-token %1 %2").arg(m_siteAddress, m_email);
}

void SyncService::start()
{
    if (m_siteAddress.isEmpty())
        return;
    m_lookingUp = true;
    const QString key = secretKey();
    m_secrets->read(key, [this, key](SecretStore::Status status, const QString &text) {
        m_lookingUp = false;
        m_secretsWork = status != SecretStore::Status::Unavailable;
        // The store's own words are technical: the log has them, the window a short reason.
        if (!m_secretsWork)
            qCInfo(lcSync) << "no secret store for the device token:" << text;
        m_secretsWhyNot = m_secretsWork ? QString()
                                        : tr("Needs the desktop's password store (GNOME "
                                             "Keyring, KWallet), which did not answer.");
        emit automaticAvailabilityChanged(m_secretsWork, m_secretsWhyNot);
        if (key != secretKey()) {
            start(); // the site or account changed meanwhile: its token is looked up instead
            return;
        }
        if (status == SecretStore::Status::Done && !text.isEmpty() && m_token.isEmpty())
            m_token = text;
        m_schedule.setEnabled(m_automatic && m_secretsWork && !m_token.isEmpty());
        if (m_wanted) {
            m_wanted = false;
            syncNow();
        }
    });
}

void SyncService::attach(SyncWindow *window)
{
    m_window = window;
    window->setAutomaticSync(m_automatic);
    window->setAutomaticSyncAvailable(m_secretsWork, m_secretsWhyNot);
    window->setAccountRemembered(hasAccount());
    if (!m_status.isEmpty())
        window->setSyncStatus(m_status);
    connect(window, &SyncWindow::syncRequested, this, [this, window] {
        // The password stays typed for push and pull: with this account's token kept, Sync
        // Now syncs with it rather than signing in as one more device at every press.
        if (m_token.isEmpty() || window->email() != m_email)
            signInAndSync(window->email(), window->password());
        else
            syncNow();
    });
    connect(window, &SyncWindow::automaticSyncChanged, this, &SyncService::setAutomatic);
    connect(this, &SyncService::statusChanged, window, &SyncWindow::setSyncStatus);
    // A window opened before the secret store answered shows the box cleared until it does.
    connect(this, &SyncService::automaticAvailabilityChanged, window,
            [this, window](bool available, const QString &whyNot) {
                window->setAutomaticSyncAvailable(available, whyNot);
                window->setAutomaticSync(available && m_automatic);
            });
}

ShellReply SyncService::syncNow()
{
    if (m_lookingUp) {
        m_wanted = true;
        return {true, tr("Syncing with %1.").arg(m_siteAddress)};
    }
    if (m_token.isEmpty()) {
        emit accountWanted();
        return {true, tr("Give the account's e-mail address and password in the "
                         "synchronisation window, then press Sync Now.")};
    }
    if (m_run)
        return {true, tr("A sync is running already.")};
    startRound();
    return {true, tr("Syncing with %1.").arg(m_siteAddress)};
}

void SyncService::signInAndSync(const QString &email, const QString &password)
{
    if (m_run)
        return;
    if (email != m_email) {
        m_email = email;
        m_settings.save(Keys::SyncEmail, email);
    }
    setStatus(tr("Signing in to %1...").arg(m_siteAddress));
    m_client = std::make_unique<SyncClient>(m_network, QUrl(m_siteAddress));
    m_client->signIn(email, password, QSysInfo::machineHostName(),
                     [this](const SyncClient::Answer &answer) {
                         if (!answer.ok()) {
                             setStatus(tr("Signing in failed: %1").arg(answer.error));
                             return;
                         }
                         rememberToken(QString::fromLatin1(answer.token));
                         startRound();
                     });
}

void SyncService::setAutomatic(bool automatic)
{
    m_automatic = automatic;
    m_settings.save(Keys::SyncAutomatic, automatic ? QStringLiteral("1") : QStringLiteral("0"));
    m_schedule.setEnabled(m_automatic && m_secretsWork && !m_token.isEmpty());
}

void SyncService::rememberToken(const QString &token)
{
    m_token = token;
    if (m_window)
        m_window->setAccountRemembered(true);
    if (!m_secretsWork)
        return; // kept for this run only
    m_secrets->write(secretKey(), token, [](SecretStore::Status, const QString &) {});
    m_schedule.setEnabled(m_automatic);
}

void SyncService::forgetToken()
{
    m_token.clear();
    if (m_window)
        m_window->setAccountRemembered(false);
    m_schedule.setEnabled(false);
    if (m_secretsWork)
        m_secrets->remove(secretKey(), [](SecretStore::Status, const QString &) {});
}

void SyncService::startRound()
{
    if (m_run || m_token.isEmpty()) {
        m_schedule.roundFinished(m_token.isEmpty());
        return;
    }
    setStatus(tr("Syncing with %1...").arg(m_siteAddress));
    const auto busy = [this](const QString &fileName) {
        // At exit the notes are written and put away: what was typed last is what must go.
        if (m_exiting)
            return false;
        const auto *note = qobject_cast<const NoteWindow *>(m_windows.find(fileName));
        return note && note->isBeingTyped(kTypingPauseMs);
    };
    m_run =
        new SyncRun(m_folder, {m_siteAddress, m_email, m_token.toLatin1()}, m_network, busy, this);
    connect(m_run, &SyncRun::finished, this, &SyncService::roundFinished);
    m_run->start();
}

void SyncService::roundFinished(const SyncOutcome &outcome)
{
    if (m_run)
        m_run->deleteLater();
    const QString when = QLocale().toString(QTime::currentTime(), QLocale::ShortFormat);
    const bool failed = outcome.tokenRefused || !outcome.error.isEmpty() || outcome.failed > 0;
    if (outcome.tokenRefused) {
        forgetToken();
        setStatus(tr("Sync failed at %1: the site no longer accepts this computer; sign in "
                     "again in the synchronisation window.")
                      .arg(when));
    } else if (!outcome.error.isEmpty()) {
        setStatus(tr("Sync failed at %1: %2").arg(when, outcome.error));
    } else if (outcome.failed > 0) {
        setStatus(
            tr("Synced at %1, but %n note(s) could not be synced: %2", nullptr, outcome.failed)
                .arg(when, outcome.failures.value(0)));
    } else {
        setStatus(tr("Synced at %1: %2 sent, %3 received, %4 deleted here, %5 deleted on the "
                     "site.")
                      .arg(when)
                      .arg(outcome.uploaded)
                      .arg(outcome.downloaded)
                      .arg(outcome.deletedHere)
                      .arg(outcome.deletedThere));
    }
    if (outcome.downloaded > 0 || outcome.deletedHere > 0 || !outcome.conflicts.isEmpty())
        emit notesChanged();
    if (!outcome.conflicts.isEmpty()) {
        emit conflictsKept(
            tr("Changed here and on the site: both texts are kept. The site's text is in %1.")
                .arg(QLocale().createSeparatedList(outcome.conflicts)));
    }
    m_schedule.roundFinished(failed);
    runExitCallback();
}

void SyncService::setStatus(const QString &status)
{
    m_status = status;
    emit statusChanged(status);
}

void SyncService::finishBeforeExit(std::function<void()> then)
{
    if (!m_automatic || m_token.isEmpty()) {
        then();
        return;
    }
    m_afterExitRound = std::move(then);
    m_exiting = true;
    QTimer::singleShot(kExitRoundMs, this, &SyncService::runExitCallback);
    if (!m_run)
        startRound();
}

void SyncService::runExitCallback()
{
    if (auto then = std::exchange(m_afterExitRound, nullptr))
        then();
}
