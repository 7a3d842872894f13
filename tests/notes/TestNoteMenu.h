#pragma once

#include <QObject>

// The note's right-click menu and its commands.
class TestNoteMenu : public QObject {
    Q_OBJECT
private slots:
    void rightClickOpensTheMenuInOrder();
    void leftClickOpensNothing();
    void timeStampAppendsDateAndTime();
    void clipboardItemsActOnTheBody();
    void printBlankNoteSaysSo();
    void printWritesTheText();
    void stayOnTopAfterAllNotesOnTop();
    void hideKeepsTheNote();
    void deleteAnsweredNo();
    void deleteAnsweredYes_data();
    void deleteAnsweredYes();
    void saveAsWritesTheNewFile();
    void saveAsOntoAnotherNoteAsksFirst();
    void saveAsCancel();
    void saveAsRefusesBadNames_data();
    void saveAsRefusesBadNames();
    void reminderItemAsksForThePanel();
};
