#pragma once

#include <QString>

// Checks a name typed into a note's Save As row before the note is written under it.
namespace SaveAsName {

// Why name cannot be a note's file name in the notes folder, in words for the user; empty
// when it can. Refused: blank names, folder separators, "." and "..", characters or names
// that file systems reject, and names over 255 bytes.
QString problem(const QString &name);

} // namespace SaveAsName
