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
class Form1 final : public QWidget, private TransferControls {
    Q_OBJECT
public:
    Form1(QString notesFolder, const QString &siteAddress, QWidget *parent = nullptr);
    ~Form1() override;

    // Shows the window with a fresh list: writes the time into Text5, whose change does it.
    void open();

    // Opens addresses in the user's browser; tests put an observer here.
    using UrlOpener = std::function<bool(const QUrl &)>;
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    PushTransfer &pushTransfer() { return m_push; }
    PullTransfer &pullTransfer() { return m_pull; }
    const SyncSite &site() const { return m_site; }
    // The whole text of the progress or outcome line, which the window may shorten.
    QString statusText() const;

    QLabel *Label8;        // the warning against personal notes
    QLabel *Label1;        // "Email Address "
    QLabel *Label4;        // "You need to have an Account on ..."
    QLineEdit *Text1;      // e-mail address
    QLabel *Label5;        // the account link
    QLabel *Label2;        // "Password", or the site's log-in failure text
    QListWidget *List1;    // the local notes
    QLineEdit *Text2;      // password
    QPushButton *Command1; // push
    QCheckBox *Check1;     // overwrite the site's notes
    QPushButton *Command2; // pull
    QCheckBox *Check2;     // overwrite the local notes
    QPushButton *Command5; // select all
    QPushButton *Command4; // close
    QPushButton *Command8; // select none
    QLabel *Label10;       // where the site shows the notes
    QLineEdit *Text5;      // hidden: a change here opens the window
    QLabel *LabelStatus;   // progress and outcome of the last transfer

    void Text5_Change();
    void Command1_Click();
    void Command2_Click();
    void Command4_Click();
    void Command5_Click();
    void Command8_Click();
    void Label5_Click();

signals:
    // The main window's catalogue should be read again.
    void catalogueRefreshWanted();
    // A pull has written into the notes folder.
    void notesPulled();

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString emailAddress() const override;
    QString password() const override;
    int entryCount() const override;
    bool isEntrySelected(int row) const override;
    QString entryFileName(int row) const override;
    bool overwriteLocalNotes() const override;
    void logInFailed(const QString &text) override;

    void setLinkUnderlined(bool underlined);
    void showStatus(const QString &text);
    void pushFinished(const PushTransfer::Outcome &outcome);
    void pullFinished(const PullTransfer::Outcome &outcome);

    QString m_folder;
    SyncSite m_site;
    UrlOpener m_openUrl;
    PushTransfer m_push;
    PullTransfer m_pull;
    QString m_status;
};
