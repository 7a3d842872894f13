#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();

    void titleAndFirstStart();
    void buttons_data();
    void buttons();
    void optionsToggleTheHeight();
    void listFollowsTheWindow();
    void searchFindsWordsDeepInNotes();
    void runMinimizedKeepsWindowDown();
    void notesFolderIsShown();
    void secondStartShowsTheFirst();
    void lockLeftByAKilledStartIsTakenOver();
    void exitRightAfterTypingKeepsTheLastText();

private:
    QTemporaryDir m_notes;
};
