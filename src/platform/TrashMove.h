#pragma once

#include <QString>

// Moves the file at path into the desktop's trash at trashFolder (one with "files" and "info"
// inside), so that a power cut at any moment leaves the file either where it was or in the
// trash with its record: the record is written and flushed before the file leaves its folder,
// and both folders are flushed after. Gives the file's new path, or an empty string when the
// file was not moved (another disk, no such service here, a failure): it is then still where
// it was, and the caller moves it another way.
QString MoveIntoTrash(const QString &path, const QString &trashFolder);
