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
const QString kVersion = QStringLiteral("version");
const QString kDigest = QStringLiteral("digest");
const QString kStamp = QStringLiteral("stamp");
const QString kLocal = QStringLiteral("local");
constexpr qint64 kMaximumStateBytes = 64 * 1024 * 1024;

// The site counts addresses alike without regard to case.
QString account(const QString &email)
{
    return email.trimmed().toLower();
}

QJsonArray stampArray(const FileStamp &stamp)
{
    const auto &[exists, size, modified, changed] = stamp.value;
    if (!exists)
        return {};
    return {size, modified, changed};
}

FileStamp stampOf(const QJsonArray &array)
{
    if (array.size() != 3)
        return {};
    return {{true, array.at(0).toInteger(), array.at(1).toInteger(), array.at(2).toInteger()}};
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
    const QJsonObject notes = root.value(kNotes).toObject();
    for (auto it = notes.begin(); it != notes.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const qint64 version = entry.value(kVersion).toInteger();
        const QByteArray digest = entry.value(kDigest).toString().toLatin1();
        if (version <= 0 || digest.isEmpty())
            continue;
        state.m_notes.insert(it.key(), {version, digest, stampOf(entry.value(kStamp).toArray()),
                                        entry.value(kLocal).toString().toLatin1()});
    }
    return state;
}

bool SyncState::save(QString *error) const
{
    QJsonObject notes;
    for (auto it = m_notes.begin(); it != m_notes.end(); ++it) {
        QJsonObject entry{{kVersion, it->version},
                          {kDigest, QString::fromLatin1(it->digest)},
                          {kStamp, stampArray(it->stamp)}};
        if (!it->localDigest.isEmpty())
            entry.insert(kLocal, QString::fromLatin1(it->localDigest));
        notes.insert(it.key(), entry);
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
