#include "TrashMove.h"

// The Recycle Bin keeps its own records; QFile::moveToTrash hands the file to the shell.
QString MoveIntoTrash(const QString &, const QString &)
{
    return {};
}
