#pragma once

class QString;

// Flushes a folder's entries to disk, so that a file just renamed into it (or removed
// from it) stays so after a power cut. True where the system has nothing to flush.
bool SyncDirectory(const QString &path);
