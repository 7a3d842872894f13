#include "sync/NoteTable.h"

namespace {
const QString kTableId = QStringLiteral("Table2");
const QString kNameLabel = QStringLiteral("Note Name");
const QString kDataLabel = QStringLiteral("Note Data");
const QString kCellWidth = QStringLiteral("25%");

HtmlElement noteTableOf(const HtmlElement &page)
{
    const QList<HtmlElement> tables = page.descendants(u"table");
    for (const HtmlElement &table : tables) {
        if (table.attribute("id") == kTableId)
            return table;
    }
    return {};
}
} // namespace

NoteTable::NoteTable(const HtmlElement &page)
{
    const HtmlElement table = noteTableOf(page);
    bool named = false;
    QString name;
    const QList<HtmlElement> cells = table.descendants(u"td");
    for (const HtmlElement &cell : cells) {
        if (cell.attribute("width").trimmed() != kCellWidth)
            continue;
        const QString text = cell.text();
        // The site puts one separator (a colon) between the label and the value.
        if (text.startsWith(kNameLabel)) {
            name = text.mid(kNameLabel.size() + 1);
            named = true;
        } else if (text.startsWith(kDataLabel)) {
            if (named)
                m_notes.append({name, text.mid(kDataLabel.size() + 1)});
            else
                ++m_unnamed;
        }
    }
}
