#include "NoteBackups.h"

#include "platform/DirectorySync.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kUnfinished = QStringLiteral(".partial");

QString tr(const char *text)
{
    return QCoreApplication::translate("NoteBackups", text);
}

QFileInfoList noteFiles(const QString &folder)
{
    QFileInfoList notes;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        if (file.fileName().endsWith(QLatin1String(".pv"), Qt::CaseInsensitive))
            notes << file;
    }
    return notes;
}

qint64 bytesIn(const QString &folder)
{
    qint64 total = 0;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files))
        total += file.size();
    return total;
}

} // namespace

NoteBackups::NoteBackups(QString notesFolder, QString backupsFolder)
    : m_notes(std::move(notesFolder)), m_backups(std::move(backupsFolder))
{}

QString NoteBackups::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Pinvelle/backups");
}

QList<QDate> NoteBackups::toRemove(QList<Backup> backups, QDate today, qint64 maxBytes)
{
    std::sort(backups.begin(), backups.end(),
              [](const Backup &a, const Backup &b) { return a.date > b.date; });
    QList<Backup> kept;
    QList<QDate> removed;
    for (qsizetype i = 0; i < backups.size(); ++i) {
        const Backup &backup = backups.at(i);
        bool keep = i < kDailyKept;
        // The newest of its week: the one before it (newer) lies in another week.
        const qint64 week = backup.date.daysTo(today) / 7;
        if (week >= 0 && week < kWeeksKept &&
            (i == 0 || backups.at(i - 1).date.daysTo(today) / 7 != week))
            keep = true;
        if (keep)
            kept << backup;
        else
            removed << backup.date;
    }
    qint64 total = 0;
    for (const Backup &backup : kept)
        total += backup.bytes;
    while (total > maxBytes && !kept.isEmpty()) {
        total -= kept.last().bytes;
        removed << kept.takeLast().date;
    }
    return removed;
}

QList<NoteBackups::Backup> NoteBackups::existing() const
{
    QList<Backup> backups;
    for (const QString &name : QDir(m_backups).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDate date = QDate::fromString(name, kDateFormat);
        if (date.isValid())
            backups << Backup{date, bytesIn(m_backups + QLatin1Char('/') + name)};
    }
    return backups;
}

bool NoteBackups::isDue(const QDate &today) const
{
    QList<Backup> backups = existing();
    if (std::any_of(backups.cbegin(), backups.cend(),
                    [&](const Backup &b) { return b.date == today; }))
        return false;
    const QFileInfoList notes = noteFiles(m_notes);
    if (backups.isEmpty())
        return !notes.isEmpty();
    const QDate last =
        std::max_element(backups.cbegin(), backups.cend(), [](const Backup &a, const Backup &b) {
            return a.date < b.date;
        })->date;
    const QString lastFolder = m_backups + QLatin1Char('/') + last.toString(kDateFormat);
    const QFileInfoList copies = noteFiles(lastFolder);
    if (copies.size() != notes.size())
        return true;
    const QDateTime madeAt = QFileInfo(lastFolder).lastModified();
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (notes.at(i).fileName() != copies.at(i).fileName() ||
            notes.at(i).size() != copies.at(i).size() || notes.at(i).lastModified() > madeAt)
            return true;
    }
    return false;
}

QString NoteBackups::copyInto(const QString &folder) const
{
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder))
        return tr("the folder %1 can not be made").arg(QDir::toNativeSeparators(folder));
    for (const QFileInfo &note : noteFiles(m_notes)) {
        QFile source(note.absoluteFilePath());
        if (!source.open(QIODevice::ReadOnly))
            return QStringLiteral("%1: %2").arg(note.fileName(), source.errorString());
        const QByteArray bytes = source.readAll();
        const QString target = folder + QLatin1Char('/') + note.fileName();
        QSaveFile copy(target);
        copy.setDirectWriteFallback(false);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.commit())
            return QStringLiteral("%1: %2").arg(note.fileName(), copy.errorString());
        if (QFileInfo(target).size() != bytes.size())
            return tr("%1: the copy is not the size of the note").arg(note.fileName());
    }
    return {};
}

NoteBackups::Result NoteBackups::run(const QDateTime &now) const
{
    Result result;
    const QDate today = now.date();
    if (isDue(today)) {
        // Copied beside its final name, so a day's folder is always whole.
        const QString complete = m_backups + QLatin1Char('/') + today.toString(kDateFormat);
        const QString unfinished = complete + kUnfinished;
        result.error = copyInto(unfinished);
        if (result.error.isEmpty() && !QDir().rename(unfinished, complete))
            result.error = tr("%1 can not be renamed").arg(QDir::toNativeSeparators(unfinished));
        if (!result.error.isEmpty()) {
            QDir(unfinished).removeRecursively();
            return result;
        }
        SyncDirectory(m_backups);
        result.written = true;
    }
    for (const QDate &date : toRemove(existing(), today))
        QDir(m_backups + QLatin1Char('/') + date.toString(kDateFormat)).removeRecursively();
    return result;
}
