#include "SyncRun.h"

#include "PulledName.h"
#include "SyncLog.h"
#include "store/NoteFile.h"
#include "store/NoteText.h"
#include "store/NoteTrash.h"
#include "store/NotesFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

using Action = SyncDecision::Action;

namespace {
const QString kLineEnd = QStringLiteral("\r\n");

// The note store adds a line end to every text it writes; a text that carries one already
// (as every pushed or synced file does) gives back the very bytes it came from.
QString fileText(QString text)
{
    if (text.endsWith(kLineEnd))
        text.chop(kLineEnd.size());
    return text;
}

QByteArray writtenDigest(const QString &text)
{
    return SyncDecision::digest(NoteText::encode(fileText(text) + kLineEnd));
}

QString withoutExtension(QString name)
{
    if (name.endsWith(QLatin1String(".pv"), Qt::CaseInsensitive))
        name.chop(3);
    return name;
}

QString conflictPrefix(const QString &name)
{
    return withoutExtension(name) + QStringLiteral(" (conflict from the site, ");
}
} // namespace

SyncRun::SyncRun(QString notesFolder, Account account, QNetworkAccessManager *network,
                 BusyCheck busy, QObject *parent)
    : QObject(parent), m_folder(std::move(notesFolder)), m_account(std::move(account)),
      m_busy(std::move(busy)), m_client(network, QUrl(m_account.site)),
      m_statePath(SyncState::pathFor(m_folder))
{
    m_client.setToken(m_account.token);
}

QString SyncRun::path(const QString &fileName) const
{
    return QDir(m_folder).filePath(fileName);
}

void SyncRun::start()
{
    if (m_running)
        return;
    m_running = true;
    m_state = SyncState::load(m_statePath, m_account.site, m_account.email);
    scanLocal();
    emit progress(tr("Asking the site what changed"));
    const qint64 since = m_state.cursor();
    m_client.listChanges(
        since, [this](const SyncClient::Answer &answer, const SyncClient::Changes &changes) {
            if (!answer.ok()) {
                refused(QString(), answer);
                if (!m_stopped)
                    stop(answer.error);
                finish();
                return;
            }
            plan(changes);
            next();
        });
}

void SyncRun::scanLocal()
{
    const NotesFolder folder(m_folder);
    for (const QString &name : folder.noteFiles()) {
        const QString file = folder.filePath(name);
        const QFileInfo info(file);
        // A link could lead a download out of the notes folder.
        if (info.isSymLink() || !info.isFile())
            continue;
        Local local;
        local.stamp = FileStamp::of(file);
        const SyncState::Note *base = m_state.note(name);
        if (base && base->stamp == local.stamp) {
            local.digest = base->digest;
            local.fileDigest = base->localDigest.isEmpty() ? base->digest : base->localDigest;
            m_local.insert(name, local);
            continue;
        }
        const std::optional<QByteArray> bytes = ReadNoteBytes(file);
        if (!bytes) {
            local.unreadable = true;
            m_local.insert(name, local);
            continue;
        }
        local.text = NoteText::decode(*bytes);
        if (NoteText::hasContent(local.text)) {
            local.fileDigest = SyncDecision::digest(NoteText::encode(local.text));
            // A file that differs from the site's text only by the line end the store added.
            local.digest =
                base && local.fileDigest == base->localDigest ? base->digest : local.fileDigest;
            if (base && local.digest == base->digest) {
                record(name, base->version, base->digest, local.stamp, local.fileDigest);
            }
        }
        m_local.insert(name, local);
    }
}

void SyncRun::plan(const SyncClient::Changes &changes)
{
    m_listedCursor = changes.cursor;
    QHash<QString, SyncDecision::Site> site;
    for (const SyncClient::Change &change : changes.notes) {
        // Oldest first: a later entry for the same name is its newer state.
        site.insert(change.name, {change.deleted ? SyncDecision::Site::State::Deleted
                                                 : SyncDecision::Site::State::Live,
                                  change.version, change.digest});
        m_listed.insert(change.name, change.version);
    }
    QSet<QString> names(m_local.keyBegin(), m_local.keyEnd());
    for (const QString &name : m_state.names())
        names.insert(name);
    for (auto it = site.cbegin(); it != site.cend(); ++it)
        names.insert(it.key());
    QStringList sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());

    for (const QString &name : sorted) {
        if (PulledName::fileName(name) != name) {
            // A name the site accepts that no file here could carry (no ".pv", say).
            qCInfo(lcSync) << "not a note file's name, left on the site:" << name;
            continue;
        }
        const auto local = m_local.constFind(name);
        if (local != m_local.cend() && local->unreadable) {
            ++m_outcome.failed;
            m_outcome.failures.append(tr("%1 could not be read").arg(name));
            unresolved(name);
            continue;
        }
        const SyncState::Note *base = m_state.note(name);
        Step step{name, Action::Nothing, site.value(name)};
        // Unlisted since the last round: the site holds the base still. The first list names
        // only the live notes.
        if (!site.contains(name) && base && m_state.cursor() > 0)
            step.site = {SyncDecision::Site::State::Live, base->version, base->digest};
        std::optional<SyncDecision::Base> baseSide;
        if (base)
            baseSide = SyncDecision::Base{base->version, base->digest};
        const std::optional<QByteArray> localDigest =
            local == m_local.cend() ? std::nullopt : local->digest;
        step.action = SyncDecision::decide(localDigest, step.site, baseSide);
        if (step.action == Action::Nothing)
            continue;
        qCDebug(lcSync) << name << SyncDecision::name(step.action);
        if (step.action != Action::Link && step.action != Action::ForgetBase)
            ++m_busySteps;
        m_steps.append(step);
    }
}

void SyncRun::next()
{
    while (!m_stopped && m_next < m_steps.size()) {
        if (apply(m_steps.at(m_next++)))
            return;
    }
    finish();
}

bool SyncRun::apply(const Step &step)
{
    const Local local = m_local.value(step.name);
    switch (step.action) {
    case Action::Nothing:
        return false;
    case Action::Link:
        record(step.name, step.site.version, step.site.digest, local.stamp, local.fileDigest);
        return false;
    case Action::ForgetBase:
        m_state.removeNote(step.name);
        m_dirty = true;
        return false;
    default:
        break;
    }
    if (m_busy && m_busy(step.name)) {
        qCInfo(lcSync) << step.name << "is being edited: left for the next round";
        ++m_outcome.skipped;
        unresolved(step.name);
        return false;
    }
    emit progress(tr("Syncing %1 (%2 of %3)").arg(step.name).arg(++m_done).arg(m_busySteps));
    const bool siteLive = step.site.state == SyncDecision::Site::State::Live;
    switch (step.action) {
    case Action::Upload:
    case Action::RestoreOnSite:
        upload(step.name, local.text, siteLive ? std::optional(step.site.version) : std::nullopt,
               local.stamp, local.fileDigest);
        return true;
    case Action::Download:
    case Action::RestoreLocally:
        m_client.getNote(step.name, [this, step](const SyncClient::Answer &answer) {
            if (answer.ok())
                download(step, answer);
            else
                refused(step.name, answer);
            next();
        });
        return true;
    case Action::Conflict:
        m_client.getNote(step.name, [this, step](const SyncClient::Answer &answer) {
            if (!answer.ok()) {
                refused(step.name, answer);
                next();
                return;
            }
            conflict(step, answer);
        });
        return true;
    case Action::DeleteLocal: {
        if (FileStamp::of(path(step.name)) != local.stamp) {
            ++m_outcome.skipped;
            unresolved(step.name);
            return false;
        }
        const NoteTrash::Result trashed = NoteTrash::forThisUser().moveToTrash(path(step.name));
        if (!trashed.ok()) {
            ++m_outcome.failed;
            m_outcome.failures.append(tr("%1: %2").arg(step.name, trashed.error));
            unresolved(step.name);
            return false;
        }
        m_state.removeNote(step.name);
        ++m_outcome.deletedHere;
        save();
        return false;
    }
    case Action::DeleteOnSite:
        m_client.deleteNote(step.name, step.site.version,
                            [this, name = step.name](const SyncClient::Answer &answer) {
                                if (answer.ok() ||
                                    answer.failure == SyncClient::Failure::NotFound) {
                                    m_state.removeNote(name);
                                    m_outcome.deletedThere += answer.ok() ? 1 : 0;
                                    save();
                                } else {
                                    refused(name, answer);
                                }
                                next();
                            });
        return true;
    default:
        return false;
    }
}

void SyncRun::upload(const QString &name, const QString &text, std::optional<qint64> ifMatch,
                     const FileStamp &stamp, const QByteArray &fileDigest)
{
    m_client.putNote(name, text, ifMatch,
                     [this, name, stamp, fileDigest](const SyncClient::Answer &answer) {
                         if (answer.ok()) {
                             record(name, answer.version, answer.digest, stamp, fileDigest);
                             ++m_outcome.uploaded;
                             save();
                         } else {
                             refused(name, answer);
                         }
                         next();
                     });
}

void SyncRun::download(const Step &step, const SyncClient::Answer &answer)
{
    const QString file = path(step.name);
    const auto local = m_local.constFind(step.name);
    const FileStamp found = FileStamp::of(file);
    // Written meanwhile (or made, where there was none): decided again next round.
    if (found != (local == m_local.cend() ? FileStamp::of(QString()) : local->stamp)) {
        ++m_outcome.skipped;
        unresolved(step.name);
        return;
    }
    if (!NoteText::hasContent(answer.text)) {
        ++m_outcome.failed;
        m_outcome.failures.append(tr("%1 is blank on the site").arg(step.name));
        return;
    }
    const bool replaces = local != m_local.cend();
    const NoteWriteResult result =
        WriteNoteFile(fileText(answer.text), file, replaces ? OldNote::Trash : OldNote::Overwrite,
                      {}, replaces ? ReadNoteFile(file) : QString());
    if (!result.ok()) {
        ++m_outcome.failed;
        m_outcome.failures.append(result.message());
        unresolved(step.name);
        return;
    }
    if (!result.keptAside.isEmpty())
        qCInfo(lcSync) << "a text written meanwhile was kept as" << result.keptAside;
    record(step.name, answer.version, answer.digest, result.stamp, writtenDigest(answer.text));
    ++m_outcome.downloaded;
    save();
}

void SyncRun::conflict(const Step &step, const SyncClient::Answer &answer)
{
    const Local local = m_local.value(step.name);
    if (answer.digest == local.digest || answer.digest == local.fileDigest) {
        record(step.name, answer.version, answer.digest, local.stamp, local.fileDigest);
        next();
        return;
    }
    const QString copy = conflictCopy(step.name, answer);
    if (copy.isEmpty()) {
        unresolved(step.name);
        next();
        return;
    }
    m_outcome.conflicts.append(copy);
    // The local text goes up under the note's own name, then the site's under the copy's.
    m_client.putNote(
        step.name, local.text, answer.version,
        [this, step, local, copy, siteText = answer.text](const SyncClient::Answer &stored) {
            if (stored.ok()) {
                record(step.name, stored.version, stored.digest, local.stamp, local.fileDigest);
                ++m_outcome.uploaded;
                if (!save()) {
                    next();
                    return;
                }
            } else if (!refused(step.name, stored)) {
                next();
                return;
            }
            // A copy found from an earlier round is a note of this round, with its own step.
            if (m_local.contains(copy)) {
                next();
                return;
            }
            upload(copy, siteText, std::nullopt, FileStamp::of(path(copy)),
                   writtenDigest(siteText));
        });
}

QString SyncRun::conflictCopy(const QString &name, const SyncClient::Answer &answer)
{
    // A copy of this very text made by a round that was cut short.
    const QString prefix = conflictPrefix(name);
    const QByteArray written = writtenDigest(answer.text);
    for (auto it = m_local.cbegin(); it != m_local.cend(); ++it) {
        if (!it.key().startsWith(prefix) || it->unreadable)
            continue;
        if (it->fileDigest == answer.digest || it->fileDigest == written)
            return it.key();
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm"));
    QString copy;
    for (int n = 1;
         copy.isEmpty() || QFileInfo::exists(path(copy)) || QFileInfo(path(copy)).isSymLink();
         ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral(", %1").arg(n);
        copy = prefix + stamp + suffix + QStringLiteral(").pv");
    }
    const NoteWriteResult result =
        WriteNoteFile(fileText(answer.text), path(copy), OldNote::Overwrite, {}, QString());
    if (!result.ok()) {
        ++m_outcome.failed;
        m_outcome.failures.append(result.message());
        return {};
    }
    qCInfo(lcSync) << name << "changed on both sides; the site's text is now" << copy;
    return copy;
}

bool SyncRun::refused(const QString &name, const SyncClient::Answer &answer)
{
    switch (answer.failure) {
    case SyncClient::Failure::None:
        return true;
    case SyncClient::Failure::TokenRefused:
        m_outcome.tokenRefused = true;
        stop(tr("The site no longer accepts this computer's sign-in."));
        return false;
    case SyncClient::Failure::Network:
        m_outcome.retryLater = true;
        stop(answer.error);
        return false;
    case SyncClient::Failure::Stale:
    case SyncClient::Failure::NotFound:
        qCInfo(lcSync) << name << "changed on the site meanwhile: left for the next round";
        ++m_outcome.skipped;
        unresolved(name);
        return true;
    case SyncClient::Failure::Refused:
    case SyncClient::Failure::BadAnswer:
        break;
    }
    qCWarning(lcSync) << name << answer.status << answer.error;
    ++m_outcome.failed;
    m_outcome.failures.append(tr("%1: %2").arg(name, answer.error));
    unresolved(name);
    return true;
}

void SyncRun::unresolved(const QString &name)
{
    const auto listed = m_listed.constFind(name);
    if (listed != m_listed.cend())
        m_retryFrom = std::min(m_retryFrom.value_or(*listed), *listed);
}

void SyncRun::record(const QString &name, qint64 version, const QByteArray &digest,
                     const FileStamp &stamp, const QByteArray &fileDigest)
{
    m_state.setNote(name,
                    {version, digest, stamp, fileDigest == digest ? QByteArray() : fileDigest});
    m_dirty = true;
}

bool SyncRun::save()
{
    QString error;
    if (m_state.save(&error)) {
        m_dirty = false;
        return true;
    }
    qCWarning(lcSync) << "could not save the sync state:" << error;
    stop(tr("Could not save the sync state: %1").arg(error));
    return false;
}

void SyncRun::stop(const QString &error)
{
    m_stopped = true;
    if (m_outcome.error.isEmpty())
        m_outcome.error = error;
}

void SyncRun::finish()
{
    // A change of the list left undone is listed again next round.
    if (!m_stopped && m_listedCursor >= 0) {
        const qint64 cursor =
            m_retryFrom ? std::max(m_state.cursor(), *m_retryFrom - 1) : m_listedCursor;
        if (cursor != m_state.cursor()) {
            m_state.setCursor(cursor);
            m_dirty = true;
        }
    }
    QString error;
    if (m_dirty && !m_state.save(&error) && m_outcome.error.isEmpty())
        m_outcome.error = tr("Could not save the sync state: %1").arg(error);
    m_running = false;
    qCInfo(lcSync) << "round over:" << m_outcome.uploaded << "up," << m_outcome.downloaded
                   << "down," << m_outcome.deletedHere << "deleted here," << m_outcome.deletedThere
                   << "deleted there," << m_outcome.conflicts.size() << "conflicts,"
                   << m_outcome.skipped << "skipped," << m_outcome.failed << "failed";
    emit finished(m_outcome);
}
