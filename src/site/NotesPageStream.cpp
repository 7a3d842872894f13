#include "site/NotesPageStream.h"

#include "site/Database.h"
#include "site/Html.h"
#include "site/NoteStore.h"
#include "site/Visit.h"
#include "web/Contract.h"

#include <QCoreApplication>
#include <QDateTime>

namespace {
constexpr int kNotesPerPiece = 4; // notes are at most a megabyte

QString tr(const char *text)
{
    return QCoreApplication::translate("ToolsPage", text);
}
} // namespace

QString NotesPageStream::when(qint64 msSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

QString NotesPageStream::button(const QString &state, const QString &action, const QString &field,
                                const QString &value, const QString &caption)
{
    return QStringLiteral("<form class=\"inline\" method=\"post\" action=\"%1\">"
                          "<input type=\"hidden\" name=\"%2\" value=\"%3\">"
                          "<input type=\"hidden\" name=\"%4\" value=\"%5\">"
                          "<input type=\"submit\" name=\"%6\" value=\"%7\"></form>")
        .arg(QLatin1String(WebContract::kToolsPage), QLatin1String(Visit::kStateField), state,
             field, Html::escaped(value), action, Html::escaped(caption));
}

QString NotesPageStream::versionList(const QString &name, bool *failed) const
{
    const QList<NoteStore::Note> versions =
        NoteStore(m_database->connection(), m_database->isSqlite())
            .versionsOf(m_accountId, name, failed);
    if (versions.isEmpty())
        return {};
    QString items;
    for (const NoteStore::Note &version : versions) {
        items += QStringLiteral("<li>%1, %2 bytes: <q>%3</q> %4</li>\n")
                     .arg(when(version.changed), QString::number(version.size),
                          Html::escaped(version.text),
                          button(m_state, QStringLiteral("restore"), QStringLiteral("version"),
                                 QString::number(version.id), tr("Restore")));
    }
    return QStringLiteral("<details><summary>%1</summary><ul>\n%2</ul></details>\n")
        .arg(tr("Earlier versions (%1)").arg(versions.size()), items);
}

QByteArray NotesPageStream::next()
{
    NoteStore store(m_database->connection(), m_database->isSqlite());
    bool failed = false;
    QString piece;
    QByteArray tail;
    switch (m_part) {
    case Part::Before:
        m_part = Part::Notes;
        return std::exchange(m_before, {});
    case Part::Notes: {
        const QList<NoteStore::Note> notes =
            store.notesAfter(m_accountId, m_last, kNotesPerPiece, &failed);
        for (const NoteStore::Note &note : notes) {
            piece += QStringLiteral("<section class=\"note\"><h2>%1</h2>\n<p class=\"meta\">%2, "
                                    "%3 bytes</p>\n<pre>%4</pre>\n%5\n%6</section>\n")
                         .arg(Html::escaped(note.name), tr("changed %1").arg(when(note.changed)),
                              QString::number(note.size), Html::escaped(note.text),
                              button(m_state, QStringLiteral("delete"), QStringLiteral("name"),
                                     note.name, tr("Delete")),
                              versionList(note.name, &failed));
        }
        if (notes.size() == kNotesPerPiece) {
            m_last = notes.last().name;
        } else {
            m_part = Part::Deleted;
            m_last.clear();
        }
        break;
    }
    case Part::Deleted: {
        const QStringList names = store.deletedAfter(m_accountId, m_last, kNotesPerPiece, &failed);
        if (m_last.isNull() && !names.isEmpty())
            piece += QStringLiteral("<h2>%1</h2>\n").arg(tr("Deleted notes"));
        for (const QString &name : names) {
            piece += QStringLiteral("<section class=\"note\"><h2>%1</h2>\n%2</section>\n")
                         .arg(Html::escaped(name), versionList(name, &failed));
        }
        if (names.size() == kNotesPerPiece) {
            m_last = names.last();
        } else {
            m_part = Part::End;
            tail = std::exchange(m_after, {});
        }
        break;
    }
    case Part::End:
        return {};
    }
    if (failed) {
        m_failed = true;
        m_part = Part::End;
        return {};
    }
    // An empty piece would read as the end.
    return piece.isEmpty() && tail.isEmpty() ? QByteArray(" ") : piece.toUtf8() + tail;
}
