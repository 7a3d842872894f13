#include "NoteCatalogue.h"

#include "store/NoteFile.h"

#include <QDir>
#include <QFileInfo>
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
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
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

void NoteCatalogue::readPreview(Entry &entry, const QFileInfo &info)
{
    entry.size = info.size();
    entry.modified = info.lastModified();
    entry.preview = previewOf(ReadNoteFile(info.filePath()));
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

    const QFileInfoList files =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo &info : files) {
        const QString name = info.fileName();
        if (!isNoteFile(name))
            continue;
        Entry entry;
        const auto found = known.find(name);
        if (found != known.end() && found->second.size == info.size() &&
            found->second.modified == info.lastModified()) {
            entry = std::move(found->second);
        } else {
            entry.fileName = name;
            readPreview(entry, info);
        }
        m_entries.push_back(std::move(entry));
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry &a, const Entry &b) { return listsBefore(a.fileName, b.fileName); });
}

int NoteCatalogue::insertionRow(const QString &fileName) const
{
    const auto at = std::lower_bound(
        m_entries.begin(), m_entries.end(), fileName,
        [](const Entry &e, const QString &name) { return listsBefore(e.fileName, name); });
    return static_cast<int>(at - m_entries.begin());
}

int NoteCatalogue::rowOf(const QString &fileName) const
{
    const int row = insertionRow(fileName);
    return row < size() && m_entries[static_cast<size_t>(row)].fileName == fileName ? row : -1;
}

NoteCatalogue::Change NoteCatalogue::noteChanged(const QString &fileName)
{
    m_filesRead = 0;
    if (!isNoteFile(fileName))
        return {};
    const QFileInfo info(QDir(m_folder).filePath(fileName));
    const int row = rowOf(fileName);
    const bool exists = info.isFile();
    if (!exists) {
        if (row < 0)
            return {};
        m_entries.erase(m_entries.begin() + row);
        return {Change::Kind::Removed, row};
    }
    if (row >= 0) {
        readPreview(m_entries[static_cast<size_t>(row)], info);
        return {Change::Kind::Updated, row};
    }
    Entry entry;
    entry.fileName = fileName;
    readPreview(entry, info);
    const int at = insertionRow(fileName);
    m_entries.insert(m_entries.begin() + at, std::move(entry));
    return {Change::Kind::Inserted, at};
}
