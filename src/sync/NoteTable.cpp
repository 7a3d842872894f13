#include "sync/NoteTable.h"

#include <QStringList>

namespace {
const QString kTableStart = QStringLiteral("<TABLE id=Table2>");
const QString kTableEnd = QStringLiteral("</TABLE>");
const QString kCellMarker = QStringLiteral("<TD noWrap width=");
const QString kNameHead = QStringLiteral("\"25%\">Note Name");
const QString kDataHead = QStringLiteral("\"25%\">Note Data");
const QString kCellEnd = QStringLiteral("</TD");
constexpr int kHeadLength = 15;

// The cell's value starts one character after its head (the site puts a separator there) and
// runs to its end tag, or to the end of the piece when the tag is missing.
QString cellValue(const QString &piece)
{
    const QString rest = piece.mid(kHeadLength + 1);
    const qsizetype end = rest.indexOf(kCellEnd);
    return end < 0 ? rest : rest.left(end);
}
} // namespace

QString NoteTable::cut(const QString &bodyMarkup)
{
    const qsizetype start = bodyMarkup.indexOf(kTableStart);
    if (start < 0)
        return {};
    const qsizetype end = bodyMarkup.indexOf(kTableEnd, start);
    // Up to and including the "<" of the end tag; without one, the rest of the page.
    return end < 0 ? bodyMarkup.mid(start) : bodyMarkup.mid(start, end - start + 1);
}

NoteTable::NoteTable(const QString &bodyMarkup)
{
    const QString table = cut(bodyMarkup);
    m_found = !table.isEmpty();
    if (!m_found)
        return;
    const QStringList pieces = table.split(kCellMarker);
    bool named = false;
    QString name;
    for (const QString &piece : pieces) {
        const QString head = piece.left(kHeadLength);
        if (head == kNameHead) {
            name = cellValue(piece);
            named = true;
        } else if (head == kDataHead) {
            if (named)
                m_notes.append({name, cellValue(piece)});
            else
                ++m_unnamed;
        }
    }
}
