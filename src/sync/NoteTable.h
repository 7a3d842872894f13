#pragma once

#include "web/HtmlElement.h"

#include <QList>
#include <QString>

// One note found in a pulled page: the name and the text its cells show.
struct PulledNote {
    QString name;
    QString text;
};

// The notes listed in the site's answer page, read from the parsed page rather than from the
// spelling of its markup. The table is the first <table> whose id is "Table2"; its cells are
// all <td> elements inside it, nested tables included, in document order. A cell 25% wide
// whose text starts with "Note Name" names a note, one that starts with "Note Data" holds its
// text; the value is the text after the label and the one separator character that follows
// it, as a browser shows it. A data cell stores the note named by the latest name cell before
// it; one that comes before any name cell is skipped. The last cell is read as well, so a
// table that ends with a data cell loses no note.
class NoteTable final {
public:
    explicit NoteTable(const HtmlElement &page);

    const QList<PulledNote> &notes() const { return m_notes; }
    // Data cells that came before any name cell.
    int unnamedCells() const { return m_unnamed; }

private:
    QList<PulledNote> m_notes;
    int m_unnamed = 0;
};
