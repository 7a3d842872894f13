#pragma once

#include <QStringList>

// The notes of a folder for a terminal: one line per note in listing order, its file name,
// a tab and the note's first line (tabs inside it shown as blanks). Reads the files
// directly, so it needs no window and no running program.
namespace NoteListing {

QStringList lines(const QString &folder);

} // namespace NoteListing
