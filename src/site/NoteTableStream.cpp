#include "site/NoteTableStream.h"

#include "site/Database.h"
#include "site/Html.h"
#include "site/NoteStore.h"
#include "web/Contract.h"

namespace {
// Notes are at most a megabyte: a piece holds a few megabytes at most.
constexpr int kNotesPerPiece = 4;
} // namespace

QString NoteTableStream::rows(const QString &name, const QString &text)
{
    using namespace WebContract;
    const QString cell = QStringLiteral("<tr><td nowrap width=\"%1\">%2:%3</td></tr>\n");
    return cell.arg(QLatin1String(kCellWidth), QLatin1String(kNameCellHead), Html::escaped(name)) +
           cell.arg(QLatin1String(kCellWidth), QLatin1String(kDataCellHead), Html::escaped(text));
}

QByteArray NoteTableStream::next()
{
    if (!m_started) {
        m_started = true;
        return std::exchange(m_before, {});
    }
    if (m_ended)
        return {};
    bool failed = false;
    const QList<NoteStore::Note> notes =
        NoteStore(m_database->connection(), m_database->isSqlite())
            .notesAfter(m_accountId, m_last, kNotesPerPiece, &failed);
    if (failed) {
        m_failed = m_ended = true;
        return {};
    }
    QString piece;
    for (const NoteStore::Note &note : notes)
        piece += rows(note.name, note.text);
    if (notes.size() < kNotesPerPiece) {
        m_ended = true;
        return piece.toUtf8() + std::exchange(m_after, {});
    }
    m_last = notes.last().name;
    return piece.toUtf8();
}
