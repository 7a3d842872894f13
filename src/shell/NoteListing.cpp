#include "NoteListing.h"

#include "NoteCatalogue.h"
#include "store/NoteFile.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

QStringList NoteListing::lines(const QString &folder)
{
    const QDir dir(folder);
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    names.removeIf([](const QString &name) { return !NoteCatalogue::isNoteFile(name); });
    std::sort(names.begin(), names.end(), NoteCatalogue::listsBefore);

    static const QRegularExpression lineEnd(QStringLiteral("[\r\n]"));
    QStringList lines;
    for (const QString &name : names) {
        QString first = ReadNoteFile(dir.filePath(name)).section(lineEnd, 0, 0);
        first.replace(QLatin1Char('\t'), QLatin1Char(' '));
        lines.append(name + QLatin1Char('\t') + first);
    }
    return lines;
}
