#include "NoteSaver.h"

QString NoteSaver::trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
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
}

void NoteSaver::loaded(const QString &bodyText)
{
    m_onDisk = trimSpaces(bodyText);
}

NoteSaver::Outcome NoteSaver::run(const QString &bodyText, bool autoSave)
{
    Outcome outcome;
    const QString trimmed = trimSpaces(bodyText);
    if (trimmed == m_lastSaved && !m_force)
        return outcome;
    outcome.changed = true;
    m_previous = m_lastSaved;
    m_lastSaved = trimmed;
    if ((autoSave || m_force) && !m_path.isEmpty()) {
        outcome.attempted = true;
        outcome.write = WriteNoteFile(toFileText(trimmed), m_path);
        if (outcome.write.ok())
            m_onDisk = trimmed;
    }
    m_force = false;
    return outcome;
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
