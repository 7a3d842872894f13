#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestNoteFile : public QObject {
    Q_OBJECT
private slots:
    void init();

    void roundTrip_data();
    void roundTrip();
    void fileHoldsTextAndOneLineEnd();
    void readTrimsOnlyOneLineEnd_data();
    void readTrimsOnlyOneLineEnd();
    void removedNotesGoToTheTrash_data();
    void removedNotesGoToTheTrash();
    void missingFileReadsEmpty();
    void legacySingleByteFileReadsAsWindows1252();
    void binaryAndHugeFilesReadWithoutHarm();
    void replacingKeepsNoTrailOfTheOldText();

    void failedWriteKeepsOldNote();
    void folderInPlaceOfNoteIsReported();
    void unreadableFileReadsEmpty();
    void busyWindowHearsOnlyTheNewestOfManyWrites();
    void textWrittenElsewhereIsKeptAside_data();
    void textWrittenElsewhereIsKeptAside();

private:
    QString path(const QString &name = QStringLiteral("PinvelleQuill1.pv")) const;
    QTemporaryDir m_dir;
};
