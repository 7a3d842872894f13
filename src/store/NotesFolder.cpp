#include "NotesFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

NotesFolder::Choice NotesFolder::choose(const QString &requested, const QString &programFolder,
                                        const QString &userDataFolder)
{
    const QString first = requested.isEmpty() ? programFolder : requested;
    const QString fallback = QDir::cleanPath(QFileInfo(userDataFolder).absoluteFilePath());
    if (first.isEmpty()) {
        isUsable(fallback);
        return {fallback, {}};
    }
    const QString clean = QDir::cleanPath(QFileInfo(first).absoluteFilePath());
    if (isUsable(clean))
        return {clean, {}};
    isUsable(fallback);
    return {fallback, clean};
}

QString NotesFolder::programFolderForNotes(const QString &programFolder)
{
    const QDir dir(programFolder);
    if (dir.exists(QStringLiteral("../share/applications/pinvelle.desktop")) ||
        dir.exists(QStringLiteral("CMakeCache.txt")))
        return {};
    return programFolder;
}

bool NotesFolder::isUsable(const QString &path)
{
    if (path.isEmpty() || !QDir().mkpath(path))
        return false;
    QTemporaryFile probe(path + QStringLiteral("/.pinvelle-probe-XXXXXX"));
    return probe.open();
}

NotesFolder::NotesFolder(QString path) : m_path(std::move(path))
{
    while (m_path.size() > 1 && m_path.endsWith(QLatin1Char('/')))
        m_path.chop(1);
}

QString NotesFolder::fileName(int noteNumber)
{
    return QStringLiteral("PinvelleQuill%1.pv").arg(noteNumber);
}

QString NotesFolder::filePath(const QString &fileName) const
{
    return m_path + QLatin1Char('/') + fileName;
}

QStringList NotesFolder::noteFiles() const
{
    QStringList notes;
    const QStringList files =
        QDir(m_path).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString &fileName : files) {
        if (fileName.endsWith(QLatin1String(".pv"), Qt::CaseInsensitive))
            notes << fileName;
    }
    return notes;
}
