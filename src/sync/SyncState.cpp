#include "SyncState.h"

#include "SyncLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
const QString kSite = QStringLiteral("site");
const QString kEmail = QStringLiteral("email");
const QString kCursor = QStringLiteral("cursor");
const QString kNotes = QStringLiteral("notes");
constexpr qint64 kMaximumStateBytes = 64 * 1024 * 1024;

// The site counts addresses alike without regard to case.
QString account(const QString &email)
{
    return email.trimmed().toLower();
}

} // namespace

QString SyncState::pathFor(const QString &notesFolder)
{
    const QFileInfo folder(notesFolder);
    QString canonical = folder.canonicalFilePath();
    if (canonical.isEmpty())
        canonical = folder.absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Pinvelle/sync-") + QString::fromLatin1(hash) + QStringLiteral(".json");
}

SyncState SyncState::load(const QString &path, const QString &site, const QString &email)
{
    SyncState state;
    state.m_path = path;
    state.m_site = site;
    state.m_email = account(email);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return state;
    if (file.size() > kMaximumStateBytes) {
        qCWarning(lcSync) << "ignoring an oversized sync state" << path;
        return state;
    }
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll(), &error).object();
    if (error.error != QJsonParseError::NoError) {
        qCWarning(lcSync) << "ignoring an unreadable sync state" << path << error.errorString();
        return state;
    }
    if (root.value(kSite).toString() != site || root.value(kEmail).toString() != state.m_email) {
        qCInfo(lcSync) << "the sync state is for another site or account: syncing afresh";
        return state;
    }
    state.m_cursor = root.value(kCursor).toInteger();
    // [name, version, digest] and, where the file was seen, [size, modified, changed, local].
    const QJsonArray notes = root.value(kNotes).toArray();
    for (const QJsonValue &value : notes) {
        const QJsonArray entry = value.toArray();
        const QString name = entry.at(0).toString();
        Note note{entry.at(1).toInteger(), entry.at(2).toString().toLatin1(), {}, {}};
        if (name.isEmpty() || note.version <= 0 || note.digest.isEmpty())
            continue;
        if (entry.size() == 7) {
            note.stamp = {
                {true, entry.at(3).toInteger(), entry.at(4).toInteger(), entry.at(5).toInteger()}};
            note.localDigest = entry.at(6).toString().toLatin1();
        }
        state.m_notes.insert(name, note);
    }
    return state;
}

bool SyncState::save(QString *error) const
{
    // One array per note: an object per note would be inserted into in order, which makes
    // saving a thousand notes after each of a thousand steps slow.
    QJsonArray notes;
    for (auto it = m_notes.begin(); it != m_notes.end(); ++it) {
        const auto &[exists, size, modified, changed] = it->stamp.value;
        notes.append(exists
                         ? QJsonArray{it.key(), it->version, QString::fromLatin1(it->digest), size,
                                      modified, changed, QString::fromLatin1(it->localDigest)}
                         : QJsonArray{it.key(), it->version, QString::fromLatin1(it->digest)});
    }
    const QJsonObject root{
        {kSite, m_site}, {kEmail, m_email}, {kCursor, m_cursor}, {kNotes, notes}};
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Compact);

    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so a full disk fails the write itself rather than an unreported flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

const SyncState::Note *SyncState::note(const QString &name) const
{
    const auto it = m_notes.constFind(name);
    return it == m_notes.constEnd() ? nullptr : &*it;
}
