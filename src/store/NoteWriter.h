#pragma once

#include "NoteFile.h"

#include <QDeadlineTimer>
#include <QObject>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// What one write of a note asked for, handed back with its outcome.
struct NoteWriteRequest {
    QString text; // as WriteNoteFile takes it: CR LF line ends, no final line end
    QString path;
    OldNote old = OldNote::Overwrite;
    // What the note's window last knew the file to hold; see WriteNoteFile.
    std::optional<QString> expected = std::nullopt;
};

// Writes one note's file on a worker thread that all notes share, so typing never waits for
// the disk. Texts are written in the order handed over, except that a text for the same file
// and in the same way as the one still waiting takes its place: while a write is in flight,
// only the newest text is written next. Outcomes come back on this object's thread; of
// successive successes for one note that wait there, only the newest is reported.
class NoteWriter final : public QObject {
    Q_OBJECT
public:
    explicit NoteWriter(QObject *parent = nullptr);
    // What is handed over is still written after this goes; finishAll() waits for it.
    ~NoteWriter() override;

    void submit(const NoteWriteRequest &request);
    // A write is waiting or in flight.
    bool busy() const;
    // The window has read its file again: the file's text is the one it now hands over as
    // expected, not the one this writer wrote last. Call it only while nothing is waiting.
    void rebase();
    // Waits, at most until deadline, for every text handed over to be written, then reports
    // the outcomes at once. False when time ran out first.
    bool finish(QDeadlineTimer deadline);

    // finish() for the writers of every note, those whose window has gone included.
    static bool finishAll(QDeadlineTimer deadline);

signals:
    void written(const NoteWriteRequest &request, const NoteWriteResult &result);

private:
    struct State;
    static void drain(const std::shared_ptr<State> &state);
    static bool waitIdle(State &state, QDeadlineTimer deadline);
    // A newer plain success for the same note makes an older one's outcome say nothing.
    static bool supersedes(const std::pair<NoteWriteRequest, NoteWriteResult> &older,
                           const NoteWriteRequest &request, const NoteWriteResult &result);
    static std::vector<std::shared_ptr<State>> &orphans();
    void deliver();

    std::shared_ptr<State> m_state;
};
