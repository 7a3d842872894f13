#pragma once

#include "sync/PullTransfer.h"
#include "sync/PushTransfer.h"
#include "sync/SyncSite.h"
#include "sync/TransferControls.h"

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The synchronisation window: the account's e-mail address and password, the list of local
// notes to choose from, and the commands that push the chosen notes to the notes web site or
// pull the account's notes into the notes folder. The transfers run as steps on this thread;
// the rest of the window stays usable meanwhile. Closing the window ends a transfer.
class SyncWindow final : public QWidget, private TransferControls {
    Q_OBJECT
public:
    SyncWindow(QString notesFolder, const QString &siteAddress, QWidget *parent = nullptr);
    ~SyncWindow() override;

    // Shows the window in front with a fresh list of the local notes.
    void showAndRefresh();

    // Opens addresses in the user's browser; tests put an observer here.
    using UrlOpener = std::function<bool(const QUrl &)>;
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    PushTransfer &pushTransfer() { return m_push; }
    PullTransfer &pullTransfer() { return m_pull; }
    const SyncSite &site() const { return m_site; }
    // The text of the progress or outcome line.
    QString statusText() const;

    // The account as typed; the e-mail address may come filled in from the settings.
    QString email() const;
    QString password() const override;
    void setEmail(const QString &address);

    // For whoever runs Sync: its outcome goes on the status line.
    void setSyncStatus(const QString &text);
    // Without a place to keep the account's device token safely, automatic sync cannot run:
    // the box is then disabled and `whyNot` says so beside it.
    void setAutomaticSyncAvailable(bool available, const QString &whyNot);
    void setAutomaticSync(bool on);
    // With an account remembered, Sync Now needs neither e-mail address nor password.
    void setAccountRemembered(bool remembered);

signals:
    // The main window's catalogue should be read again.
    void catalogueRefreshWanted();
    // A pull has written into the notes folder.
    void notesPulled();
    // The user typed another site address, which the window now uses.
    void siteAddressChanged(const QString &address);
    // The user finished typing an e-mail address, which is worth remembering (unlike the
    // password).
    void emailChanged(const QString &address);
    // "Sync Now", with the account filled in or remembered.
    void syncRequested();
    // The user ticked or cleared "Sync automatically".
    void automaticSyncChanged(bool on);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString emailAddress() const override;
    int entryCount() const override;
    bool isEntrySelected(int row) const override;
    QString entryFileName(int row) const override;
    bool overwriteLocalNotes() const override;
    void logInFailed(const QString &text) override;

    // Why a push or pull cannot start: what the user has still to fill in or choose.
    QString missingBeforeStart(bool pushing) const;
    void push();
    void pull();
    void syncNow();
    // Fills the list of local notes afresh; the notes still there stay selected.
    void refreshList();
    void selectAllNotes();
    void selectNoNotes();
    void openAccountPage();
    void setLinkUnderlined(bool underlined);
    void showStatus(const QString &text);
    void showSiteName();
    void changeSite();
    void warnOfPlainHttp();
    void pushFinished(const PushTransfer::Outcome &outcome);
    void pullFinished(const PullTransfer::Outcome &outcome);

    QString m_folder;
    SyncSite m_site;
    UrlOpener m_openUrl;
    PushTransfer m_push;
    PullTransfer m_pull;
    QString m_status;

    QLabel *m_warningLabel;          // the warning against personal notes
    QLabel *m_emailLabel;            // "Email Address "
    QLabel *m_accountLabel;          // "You need to have an Account on ..."
    QLineEdit *m_email;              // e-mail address
    QLabel *m_accountLink;           // the account link
    QLabel *m_passwordLabel;         // "Password", or the site's log-in failure text
    QListWidget *m_noteList;         // the local notes
    QLineEdit *m_password;           // password
    QPushButton *m_pushButton;       // push
    QCheckBox *m_overwriteSiteBox;   // overwrite the site's notes
    QPushButton *m_pullButton;       // pull
    QCheckBox *m_overwriteLocalBox;  // overwrite the local notes
    QPushButton *m_selectAllButton;  // select all
    QPushButton *m_closeButton;      // close
    QPushButton *m_selectNoneButton; // select none
    QLabel *m_viewedOnLabel;         // where the site shows the notes
    QLabel *m_statusLine;            // progress and outcome of the last transfer
    QLabel *m_siteLabel;             // "Notes site:"
    QLineEdit *m_siteAddress;        // the site's base address, kept in the settings
    QPushButton *m_syncButton;       // Sync Now
    QCheckBox *m_automaticBox;       // Sync automatically
    QLabel *m_automaticWhyNot;       // why automatic sync is not available
    bool m_accountRemembered = false;
    bool m_listStale = false; // a pull wrote notes while a push was running
};
