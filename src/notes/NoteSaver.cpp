#include "NoteSaver.h"

#include "store/NoteText.h"

QString NoteSaver::trimSpaces(const QString &text)
{
    return NoteText::trimSpaces(text);
}

QString NoteSaver::toFileText(const QString &bodyText)
{
    QString text = bodyText;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

QString NoteSaver::toBodyText(const QString &fileText)
{
    QString text = fileText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void NoteSaver::setPath(const QString &path)
{
    if (path == m_path)
        return;
    m_path = path;
    m_onDisk.reset();
    m_writeFailed = false;
    m_trashOld = false;
}

void NoteSaver::loaded(const QString &bodyText)
{
    // What was read is already saved: nothing is written until the text changes, and
    // Ctrl+Z straight after opening leaves the note as it is.
    m_onDisk = trimSpaces(bodyText);
    m_lastSaved = *m_onDisk;
    m_previous = m_lastSaved;
    m_force = false;
}

NoteSaver::Outcome NoteSaver::run(const QString &bodyText, bool autoSave)
{
    const Plan planned = plan(bodyText, autoSave);
    Outcome outcome;
    outcome.changed = planned.changed;
    if (planned.request) {
        const NoteWriteRequest &request = *planned.request;
        outcome.attempted = true;
        outcome.write = WriteNoteFile(request.text, request.path, request.old);
        written(request, outcome.write);
    }
    return outcome;
}

NoteSaver::Plan NoteSaver::plan(const QString &bodyText, bool autoSave)
{
    Plan plan;
    const QString trimmed = trimSpaces(bodyText);
    if (trimmed == m_lastSaved && !m_force) {
        // A write that failed (disk full, folder gone) is tried again with the same text, so
        // the note reaches the disk as soon as it can without waiting for a keystroke.
        if (m_writeFailed && autoSave && !m_path.isEmpty())
            plan.request = request(trimmed);
        return plan;
    }
    plan.changed = true;
    m_previous = m_lastSaved;
    m_lastSaved = trimmed;
    if ((autoSave || m_force) && !m_path.isEmpty())
        plan.request = request(trimmed);
    m_force = false;
    return plan;
}

NoteWriteRequest NoteSaver::request(const QString &trimmed)
{
    // Only the first write after Save As over another note may send that note to the trash;
    // the ones after it replace what this note wrote there.
    const OldNote old = m_trashOld ? OldNote::Trash : OldNote::Overwrite;
    m_trashOld = false;
    // Nothing known of the file means nothing is expected in it: a text found there is kept.
    // The kind of line end does not count, so the text goes as the window holds it.
    return {toFileText(trimmed), m_path, old, m_onDisk.value_or(QString())};
}

void NoteSaver::written(const NoteWriteRequest &request, const NoteWriteResult &result)
{
    if (request.path != m_path)
        return;
    m_writeFailed = !result.ok();
    if (result.ok())
        m_onDisk = toBodyText(request.text);
    else if (request.old == OldNote::Trash)
        m_trashOld = true;
}

bool NoteSaver::hasUnsavedEdits() const
{
    if (m_path.isEmpty())
        return false;
    // A path never read nor written holds nothing of ours: only text is worth asking about.
    if (!m_onDisk)
        return !m_lastSaved.isEmpty();
    return *m_onDisk != m_lastSaved;
}

NoteSaver::FileChange NoteSaver::assess(const QString &fileBodyText) const
{
    const QString trimmed = trimSpaces(fileBodyText);
    if ((m_onDisk && trimmed == *m_onDisk) || trimmed == m_lastSaved)
        return FileChange::None;
    return hasUnsavedEdits() ? FileChange::KeepBoth : FileChange::Take;
}

void NoteSaver::taken(const QString &fileBodyText)
{
    // Ctrl+Z then brings back the text the window showed before.
    m_previous = m_lastSaved;
    m_onDisk = trimSpaces(fileBodyText);
    m_lastSaved = *m_onDisk;
    m_writeFailed = false;
    m_force = false;
}
