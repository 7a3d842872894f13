#pragma once

#include "sync/NoteTable.h"
#include "web/Browser.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class TransferControls;

// Copies the notes of the user's account into the notes folder, as steps driven by the
// browser's signals: the pull request loads the log-in form, its fields are walked by name,
// "Button2" is clicked, and the note table of the answer is stored one note per turn of the
// event loop. Whether a local note of the same name is replaced is read anew for every note.
class PullTransfer final : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        int stored = 0;       // notes written into the folder
        int kept = 0;         // local notes left as they were
        int removed = 0;      // local notes removed because the site's text was blank
        QString trashFolder;  // where replaced or removed local notes went, if any did
        int failed = 0;       // notes whose file could not be written
        int unnamed = 0;      // note texts that came before any name
        QStringList refused;  // names that are not plain file names, as the page gave them
        QStringList failures; // why each failed note could not be written
        QString failure;      // why the pull stopped early, empty when it went through
    };

    PullTransfer(TransferControls &controls, QString notesFolder, QObject *parent = nullptr);

    void start(const QUrl &request);
    // Stops at once without a signal; nothing more is written.
    void cancel();
    bool isRunning() const { return m_stage != Stage::Idle; }

    Browser &browser() { return m_browser; }

signals:
    void progress(const QString &text);
    void finished(const PullTransfer::Outcome &outcome);

private:
    enum class Stage { Idle, Requesting, Walking, Answering, Storing };

    void loaded(bool ok);
    void walk();
    void answered();
    void storeNext();
    void store(const PulledNote &note);
    void finish(const QString &failure = {});

    TransferControls &m_controls;
    QString m_folder;
    Browser m_browser;
    Stage m_stage = Stage::Idle;
    Outcome m_outcome;
    int m_position = 0;
    QList<PulledNote> m_notes;
    int m_next = 0; // the note of m_notes to store next
    QString m_loadError;
};
