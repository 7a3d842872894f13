#include "NoteCatalogue.h"

#include "shell/NoteSearch.h"
#include "store/NoteFile.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <unordered_map>

namespace {

constexpr int kPreviewLength = 20;
const QString kSeparator = QStringLiteral(" - ");
const QChar kLineBreakMark(0x21B5); // ↵

QString previewOf(const QString &text)
{
    int length = std::min<int>(kPreviewLength, static_cast<int>(text.size()));
    // Never cut a character from outside the basic plane in half.
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        --length;
    QString preview = text.left(length);
    preview.replace(QStringLiteral("\r\n"), QString(kLineBreakMark));
    for (QChar &c : preview) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = kLineBreakMark;
        else if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return preview;
}

std::filesystem::path toPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString toQString(const std::filesystem::path &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

} // namespace

NoteCatalogue::NoteCatalogue(QString folder) : m_folder(std::move(folder)) {}

QString NoteCatalogue::entryText(const QString &fileName, const QString &noteText)
{
    return fileName + kSeparator + previewOf(noteText);
}

QString NoteCatalogue::fileNameOfEntry(const QString &entry)
{
    // Any mix of capitals, as the listing takes them: "Other.PV" must open Other.PV.
    const qsizetype mark = entry.indexOf(QStringLiteral(".pv -"), 0, Qt::CaseInsensitive);
    return entry.left(mark < 0 ? 2 : mark + 3);
}

bool NoteCatalogue::isNoteFile(const QString &fileName)
{
    return fileName.right(3).toUpper() == QLatin1String(".PV");
}

bool NoteCatalogue::listsBefore(const QString &a, const QString &b)
{
    const QString foldedA = a.toCaseFolded();
    const QString foldedB = b.toCaseFolded();
    return foldedA != foldedB ? foldedA < foldedB : a < b;
}

bool NoteCatalogue::Entry::operator<(const Entry &other) const
{
    return sortKey != other.sortKey ? sortKey < other.sortKey : fileName < other.fileName;
}

QString NoteCatalogue::entry(int row) const
{
    const Entry &e = m_entries.at(static_cast<size_t>(row));
    return e.fileName + kSeparator + e.preview;
}

QStringList NoteCatalogue::entries() const
{
    QStringList list;
    list.reserve(size());
    for (int row = 0; row < size(); ++row)
        list << entry(row);
    return list;
}

bool NoteCatalogue::matches(int row, const NoteSearch &search) const
{
    return search.matches(m_entries.at(static_cast<size_t>(row)).searchForm);
}

void NoteCatalogue::readPreview(Entry &entry, const std::filesystem::path &path)
{
    std::error_code error;
    entry.modified = std::filesystem::last_write_time(path, error);
    const QString text = ReadNoteFile(toQString(path));
    entry.preview = previewOf(text);
    // A blank between name and text: no typed word spans both.
    entry.searchForm = NoteSearch::searchForm(entry.fileName + QLatin1Char('\n') + text);
    ++m_filesRead;
}

void NoteCatalogue::refresh()
{
    m_filesRead = 0;
    std::unordered_map<QString, Entry> known;
    known.reserve(m_entries.size());
    for (Entry &e : m_entries)
        known.emplace(e.fileName, std::move(e));
    m_entries.clear();

    // Plain file system calls: a listing of thousands of notes must not pay for
    // converting every modification time to a local date.
    std::error_code error;
    for (std::filesystem::directory_iterator it(toPath(m_folder), error), end; !error && it != end;
         it.increment(error)) {
        const QString name = toQString(it->path().filename());
        if (!isNoteFile(name) || !it->is_regular_file(error))
            continue;
        // One look at the modification time per file: it changes with every rewrite.
        std::error_code statError;
        const auto modified = it->last_write_time(statError);
        Entry entry;
        const auto found = known.find(name);
        if (!statError && found != known.end() && found->second.modified == modified) {
            entry = std::move(found->second);
        } else {
            entry.fileName = name;
            entry.sortKey = name.toCaseFolded();
            readPreview(entry, it->path());
        }
        m_entries.push_back(std::move(entry));
    }
    std::sort(m_entries.begin(), m_entries.end());
}

int NoteCatalogue::insertionRow(const QString &fileName) const
{
    Entry wanted;
    wanted.fileName = fileName;
    wanted.sortKey = fileName.toCaseFolded();
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), wanted);
    return static_cast<int>(at - m_entries.begin());
}

int NoteCatalogue::rowOf(const QString &fileName) const
{
    const int row = insertionRow(fileName);
    return row < size() && m_entries[static_cast<size_t>(row)].fileName == fileName ? row : -1;
}

NoteCatalogue::Change NoteCatalogue::noteChanged(const QString &fileName)
{
    return update(fileName, std::nullopt);
}

NoteCatalogue::Change NoteCatalogue::noteWritten(const QString &fileName, const QString &text)
{
    return update(fileName, text);
}

NoteCatalogue::Change NoteCatalogue::update(const QString &fileName,
                                            const std::optional<QString> &text)
{
    m_filesRead = 0;
    if (!isNoteFile(fileName))
        return {};
    const std::filesystem::path path = toPath(QDir(m_folder).filePath(fileName));
    const int row = rowOf(fileName);
    std::error_code error;
    const bool exists = std::filesystem::is_regular_file(path, error);
    if (!exists) {
        if (row < 0)
            return {};
        m_entries.erase(m_entries.begin() + row);
        return {Change::Kind::Removed, row};
    }
    // Known text needs only the file's time, so a later refresh sees the entry as current.
    const auto fill = [&](Entry &entry) {
        if (!text) {
            readPreview(entry, path);
            return;
        }
        entry.modified = std::filesystem::last_write_time(path, error);
        entry.preview = previewOf(*text);
        entry.searchForm = NoteSearch::searchForm(entry.fileName + QLatin1Char('\n') + *text);
    };
    if (row >= 0) {
        fill(m_entries[static_cast<size_t>(row)]);
        return {Change::Kind::Updated, row};
    }
    Entry entry;
    entry.fileName = fileName;
    entry.sortKey = fileName.toCaseFolded();
    fill(entry);
    const int at = insertionRow(fileName);
    m_entries.insert(m_entries.begin() + at, std::move(entry));
    return {Change::Kind::Inserted, at};
}
