#pragma once

#include "web/Browser.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class TransferControls;

// Sends the selected notes to the site, one submission of its upload form per note, as steps
// driven by the browser's signals: nothing here waits or spins an event loop.
//
// The request with the overwrite flag loads the upload form; then, for every selected entry in
// list order, the form's elements are walked by name (e-mail address, password, note name,
// note text) and "Button1" is clicked. Each answer is read as soon as it is in: the result
// element (id "Label1", else the whole page) holds the log-in failure text, or says in its
// outcome attribute what the site did with the note; the walk then goes on over the answer
// page, which carries the form again. Requests go one at a time, without pauses between them.
class PushTransfer final : public QObject {
    Q_OBJECT
public:
    static inline const QString kLogInFailure =
        QStringLiteral("The password or Email Address was incorrect");

    // What became of the selected notes, as the site answered for each.
    struct Outcome {
        int stored = 0;        // new on the site
        int replaced = 0;      // replaced the site's text, which the site keeps among its versions
        int kept = 0;          // the site kept its own, different text: this push did not overwrite
        int same = 0;          // the site held this very text already
        int refused = 0;       // the log-in, the name or text refused, or the account full
        int failed = 0;        // the site could not store it just now
        int unanswered = 0;    // answered without saying what became of it (an older site)
        int unreadable = 0;    // selected notes whose file could not be read
        QStringList keptNames; // the notes of `kept`, in list order
        QString failure;       // why the push stopped early; empty when it went through the list
        // Submissions the site answered.
        int sent() const { return stored + replaced + kept + same + refused + failed + unanswered; }
    };

    PushTransfer(TransferControls &controls, QString notesFolder, QObject *parent = nullptr);

    // Loads `request` (the upload page with the overwrite flag) and pushes from there.
    void start(const QUrl &request);
    // Stops at once without a signal; nothing more is sent.
    void cancel();
    bool isRunning() const { return m_stage != Stage::Idle; }

    Browser &browser() { return m_browser; }

signals:
    // "Pushing 2 of 5": the note now being sent and how many are selected in all.
    void progress(const QString &text);
    void finished(const PushTransfer::Outcome &outcome);

private:
    enum class Stage { Idle, Requesting, Walking, Submitting };

    void loaded(bool ok);
    void nextEntry();
    void scheduleNextEntry();
    void walk();
    void answered(bool ok);
    void count(const HtmlElement &result);
    void finish(const QString &failure = {});
    int selectedFrom(int row) const;

    TransferControls &m_controls;
    QString m_folder;
    Browser m_browser;
    Stage m_stage = Stage::Idle;
    Outcome m_outcome;
    int m_row = 0;      // the list entry being sent
    int m_position = 0; // the form element the walk is at
    int m_done = 0;     // selected notes reached so far
    QString m_name;
    QString m_text;
};
