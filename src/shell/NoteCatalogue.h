#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <vector>

// The notes of the notes folder as the main window lists them: one entry per note file,
// sorted by file name as text, each "file name - first 20 characters". Previews are kept
// with the file's modification time, so a refresh reads only the files that changed,
// and a write by the program updates its own entry alone. Each entry also keeps its note's
// whole text in search form, so the list can be filtered without reading the folder again.
class NoteSearch;

class NoteCatalogue final {
public:
    explicit NoteCatalogue(QString folder);

    // How one entry changed after a single note was written.
    struct Change {
        enum class Kind { None, Updated, Inserted, Removed };
        Kind kind = Kind::None;
        int row = -1;
    };

    // Re-reads the folder listing; reads only notes that are new or changed since.
    void refresh();
    // Brings the entry of one note file up to date after it was written or removed.
    Change noteChanged(const QString &fileName);
    // The same for a note the program has just written with text, or removed (blank text),
    // without reading the file.
    Change noteWritten(const QString &fileName, const QString &text);

    int size() const { return static_cast<int>(m_entries.size()); }
    QString entry(int row) const;
    QStringList entries() const;
    QString fileName(int row) const { return m_entries.at(static_cast<size_t>(row)).fileName; }
    // Whether the note of a row holds every word of search in its file name or text.
    bool matches(int row, const NoteSearch &search) const;
    // How many note files were read by the last refresh or change.
    int filesRead() const { return m_filesRead; }

    // "name - preview", the preview being the first 20 characters with line breaks
    // shown by a visible mark, so that the entry stays on one line.
    static QString entryText(const QString &fileName, const QString &noteText);
    // The file name inside an entry: the text up to the first ".pv -" in any mix of
    // capitals, plus the extension;
    // an entry without that mark gives its first two characters.
    static QString fileNameOfEntry(const QString &entry);
    // Whether a file counts as a note: its name ends in ".pv" in any mix of capitals.
    static bool isNoteFile(const QString &fileName);
    // Listing order: file names compared as text without regard to case.
    static bool listsBefore(const QString &a, const QString &b);

private:
    struct Entry {
        QString fileName;
        QString sortKey; // the file name case-folded, for listing order
        std::filesystem::file_time_type modified;
        QString preview;
        QByteArray searchForm; // file name and whole text, as NoteSearch compares them
        bool operator<(const Entry &other) const;
    };
    // Reads the note at path for its preview and search form, remembering the time it was last
    // changed.
    void readPreview(Entry &entry, const std::filesystem::path &path);
    Change update(const QString &fileName, const std::optional<QString> &text);
    int rowOf(const QString &fileName) const;
    int insertionRow(const QString &fileName) const;

    QString m_folder;
    std::vector<Entry> m_entries;
    int m_filesRead = 0;
};
