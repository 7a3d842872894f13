#pragma once

#include <QObject>

// A note window whose folder fills up, disappears or turns read-only while it is typed in:
// the old file stays whole, the user is told once, and the note is written as soon as the
// disk takes it again, without another keystroke.
class TestDiskFaults final : public QObject {
    Q_OBJECT
private slots:
    void fullDiskKeepsTheNoteAndWritesItWhenSpaceReturns();
    void writeThatCannotStoreAByteFailsAndKeepsTheFile();
    void deletedFolderIsWrittenOnceItIsBack();
    void readOnlyFolderIsWrittenOnceWritable();
    void failedWriteIsTriedAgainWithTheSameText();
};
