#pragma once

#include <QList>
#include <QString>

// One note found in a pulled page: the name and the text its cells hold, as the markup has them.
struct PulledNote {
    QString name;
    QString text;
};

// The notes listed in the site's answer page. The table runs from "<TABLE id=Table2>" to the
// first "</TABLE>" after it, in the markup the browser reports; cells start at
// "<TD noWrap width=" and are told apart by their 15-character heads. A data cell stores the
// note named by the latest name cell before it; one that comes before any name cell is skipped.
// The last cell is read as well, so a table that ends with a data cell loses no note.
class NoteTable final {
public:
    explicit NoteTable(const QString &bodyMarkup);

    static QString cut(const QString &bodyMarkup);

    bool found() const { return m_found; }
    const QList<PulledNote> &notes() const { return m_notes; }
    // Data cells that came before any name cell.
    int unnamedCells() const { return m_unnamed; }

private:
    bool m_found = false;
    QList<PulledNote> m_notes;
    int m_unnamed = 0;
};
