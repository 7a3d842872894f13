#pragma once

#include "web/Browser.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>

class TransferControls;

// Sends the selected notes to the site, one submission of its upload form per note, as steps
// driven by the browser's signals: nothing here waits or spins an event loop.
//
// The request with the overwrite flag loads the upload form; then, for every selected entry in
// list order, the form's elements are walked by name (e-mail address, password, note name,
// note text) and "Button1" is clicked. After each click the push pauses, waits for the answer
// and looks for the log-in failure text in the result element (id "Label1", else the whole
// page); the walk then goes on over the answer page, which carries the form again.
class PushTransfer final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPauseAfterSubmit{1000};
    static inline const QString kLogInFailure =
        QStringLiteral("The password or Email Address was incorrect");

    struct Outcome {
        int sent = 0;       // submitted and answered without the log-in failure text
        int refused = 0;    // answered with the log-in failure text
        int unreadable = 0; // selected notes whose file could not be read
        QString failure;    // why the push stopped early; empty when it went through the list
    };

    PushTransfer(TransferControls &controls, QString notesFolder, QObject *parent = nullptr);

    // Loads `request` (the upload page with the overwrite flag) and pushes from there.
    void start(const QUrl &request);
    // Stops at once without a signal; nothing more is sent.
    void cancel();
    bool isRunning() const { return m_stage != Stage::Idle; }

    void setPauseAfterSubmit(std::chrono::milliseconds pause);
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
    void answered();
    void finish(const QString &failure = {});
    int selectedFrom(int row) const;

    TransferControls &m_controls;
    QString m_folder;
    Browser m_browser;
    QTimer m_pause;
    Stage m_stage = Stage::Idle;
    Outcome m_outcome;
    int m_row = 0;      // the list entry being sent
    int m_position = 0; // the form element the walk is at
    int m_done = 0;     // selected notes reached so far
    QString m_name;
    QString m_text;
    bool m_pauseOver = false;
    bool m_loadOver = false;
    bool m_submitted = false;
    bool m_loadFailed = false;
};
