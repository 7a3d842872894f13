#pragma once

#include <QObject>

// Leaving the program with edits that automatic saving did not write.
class TestUnsavedNotes : public QObject {
    Q_OBJECT
private slots:
    void nothingUnsavedLeavesAtOnce();
    void yesSavesThenLeaves();
    void noLeavesWithoutSaving();
    void cancelStays();
    void failedSaveStays();
    void exitButtonAsksFirst();
    void closingOneNoteAsks();
};
