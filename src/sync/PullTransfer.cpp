#include "sync/PullTransfer.h"

#include "store/NoteFile.h"
#include "store/NoteText.h"
#include "store/NoteTrash.h"
#include "sync/PulledName.h"
#include "sync/TransferControls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <utility>

namespace {
// Note files hold CR LF line breaks; the page's text may come with bare line feeds.
QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}
} // namespace

PullTransfer::PullTransfer(TransferControls &controls, QString notesFolder, QObject *parent)
    : QObject(parent), m_controls(controls), m_folder(std::move(notesFolder))
{
    connect(&m_browser, &Browser::loadFinished, this, [this] { loaded(true); });
    connect(&m_browser, &Browser::loadFailed, this, [this] { loaded(false); });
}

void PullTransfer::start(const QUrl &request)
{
    cancel();
    m_outcome = Outcome();
    m_loadError.clear();
    m_stage = Stage::Requesting;
    m_browser.navigate(request);
}

void PullTransfer::cancel()
{
    m_stage = Stage::Idle;
    m_notes.clear();
    m_browser.stop();
}

void PullTransfer::loaded(bool ok)
{
    if (!ok)
        m_loadError = m_browser.errorString();
    if (m_stage == Stage::Requesting) {
        if (!m_browser.form()) {
            finish(ok ? tr("The site's page holds no form.") : m_loadError);
            return;
        }
        m_stage = Stage::Walking;
        m_position = 0;
        walk();
    } else if (m_stage == Stage::Answering) {
        answered();
    }
}

void PullTransfer::walk()
{
    for (HtmlForm *form = m_browser.form(); form && m_position < form->count();
         form = m_browser.form(), ++m_position) {
        const QString name = form->at(m_position).name;
        if (name == QLatin1String("TextBox1")) {
            form->setValue(m_position, m_controls.emailAddress());
        } else if (name == QLatin1String("TextBox2")) {
            form->setValue(m_position, m_controls.password());
        } else if (name == QLatin1String("Button2")) {
            m_stage = Stage::Answering;
            if (!m_browser.click(m_position)) {
                // Nothing was submitted: the page in place is read as it is.
                QTimer::singleShot(0, this, [this] {
                    if (m_stage == Stage::Answering)
                        answered();
                });
            }
            return;
        }
    }
    finish(m_loadError);
}

void PullTransfer::answered()
{
    const NoteTable table(m_browser.document());
    m_outcome.unnamed += table.unnamedCells();
    m_notes = table.notes();
    m_next = 0;
    m_stage = Stage::Storing;
    storeNext();
}

void PullTransfer::storeNext()
{
    if (m_stage != Stage::Storing)
        return;
    if (m_next >= m_notes.size()) {
        m_notes.clear();
        m_stage = Stage::Walking;
        ++m_position;
        walk();
        return;
    }
    emit progress(tr("Pulling %1 of %2").arg(m_next + 1).arg(m_notes.size()));
    store(m_notes.at(m_next++));
    // One note per turn of the event loop: the window stays usable and a change of the
    // overwrite box counts for the notes that follow.
    QTimer::singleShot(0, this, &PullTransfer::storeNext);
}

void PullTransfer::store(const PulledNote &note)
{
    const std::optional<QString> fileName = PulledName::fileName(note.name);
    if (!fileName) {
        m_outcome.refused.append(note.name);
        return;
    }
    const QString path = QDir(m_folder).filePath(*fileName);
    const QFileInfo existing(path);
    // A link could lead the write out of the notes folder.
    if (existing.isSymLink()) {
        m_outcome.refused.append(note.name);
        return;
    }
    const bool hasNote = existing.exists() && existing.size() > 0;
    QString text = withCrLf(note.text);
    // A pushed note carries the line end its file ends with, and the write adds one:
    // take it off, so that a push and a pull give the file back as it was.
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    const bool blank = !NoteText::hasContent(text);

    if (m_controls.overwriteLocalNotes()) {
        if (blank) {
            if (!hasNote || !existing.isFile())
                return;
            const NoteTrash::Result trashed = NoteTrash::forThisUser().moveToTrash(path);
            if (trashed.ok()) {
                ++m_outcome.removed;
                m_outcome.trashFolder = QFileInfo(trashed.where).absolutePath();
            }
            return;
        }
    } else if (hasNote) {
        ++m_outcome.kept;
        return;
    } else if (blank) {
        return;
    }
    // The old note is replaced only once the new text is wholly on disk, and goes to the trash.
    const NoteWriteResult result = WriteNoteFile(text, path, OldNote::Trash);
    if (result.ok()) {
        ++m_outcome.stored;
        if (!result.trashedTo.isEmpty())
            m_outcome.trashFolder = QFileInfo(result.trashedTo).absolutePath();
    } else {
        ++m_outcome.failed;
        m_outcome.failures.append(result.message());
    }
}

void PullTransfer::finish(const QString &failure)
{
    m_stage = Stage::Idle;
    m_outcome.failure = failure;
    emit finished(m_outcome);
}
