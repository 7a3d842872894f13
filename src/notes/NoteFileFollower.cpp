#include "NoteFileFollower.h"

#include "NoteSaver.h"
#include "store/NoteFile.h"
#include "store/NoteWriter.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTimer>

namespace {
// How soon a look put off by a write of the note's own is tried again.
constexpr int kRetryMs = 50;
} // namespace

NoteFileFollower::NoteFileFollower(NoteSaver &saver, NoteWriter &writer, QObject *parent)
    : QObject(parent), m_saver(saver), m_writer(writer)
{
    connect(&m_watch, &NoteFileWatch::changed, this, &NoteFileFollower::check);
}

void NoteFileFollower::follow()
{
    m_watch.setPath(m_saver.path());
    m_known.reset();
    m_goneTold = false;
}

void NoteFileFollower::wrote(const NoteWriteResult &result)
{
    if (result.ok() && result.path == m_saver.path())
        m_known = result.stamp;
}

QString NoteFileFollower::noteName() const
{
    return QFileInfo(m_saver.path()).fileName();
}

void NoteFileFollower::check()
{
    if (m_saver.path().isEmpty())
        return;
    // The outcomes of the note's own writes are taken in first, so its own text is known as
    // such; while one is still being written, the look waits for it.
    if (!m_writer.finish(QDeadlineTimer(0))) {
        if (!m_checkPending) {
            m_checkPending = true;
            QTimer::singleShot(kRetryMs, this, [this] {
                m_checkPending = false;
                check();
            });
        }
        return;
    }
    const QString path = m_saver.path();
    // Unchanged since the note's own write: a large note is not read again for each key.
    // Should another program write in that moment unseen, the next save keeps its text aside.
    const FileStamp stamp = FileStamp::of(path);
    if (m_known == stamp)
        return;
    m_known = stamp;
    const std::optional<QByteArray> bytes = ReadNoteBytes(path);
    if (!bytes) {
        // The window keeps the text; typing writes it again.
        if (!QFileInfo::exists(path) && !m_goneTold && !m_saver.lastSaved().isEmpty()) {
            m_goneTold = true;
            emit told(tr("The file of %1 was removed by another program. The note keeps its "
                         "text and saves it again when you type.")
                          .arg(noteName()),
                      false);
        }
        return;
    }
    m_goneTold = false;
    const QString text = NoteSaver::toBodyText(NoteFileText(*bytes));
    switch (m_saver.assess(text)) {
    case NoteSaver::FileChange::None:
        if (text == m_saver.lastSaved())
            m_saver.fileHolds(text);
        return;
    case NoteSaver::FileChange::Take:
        m_saver.taken(text);
        m_writer.rebase();
        emit textTaken(text);
        return;
    case NoteSaver::FileChange::KeepBoth: {
        QString error;
        const QString kept = KeepNoteBeside(path, *bytes, QDateTime::currentDateTime(), &error);
        if (kept.isEmpty()) {
            // Still unknown to the writer, which keeps it aside itself before it writes.
            emit told(tr("%1 was changed by another program, and that text could not be "
                         "kept beside it: %2")
                          .arg(noteName(), error),
                      true);
            return;
        }
        m_saver.fileHolds(text);
        m_writer.rebase();
        emit told(tr("%1 was changed by another program. Your text stays here; the other "
                     "text is kept as %2.")
                      .arg(noteName(), QFileInfo(kept).fileName()),
                  true);
        return;
    }
    }
}
