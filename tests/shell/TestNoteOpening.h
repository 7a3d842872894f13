#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <memory>

class MainWindow;
class SettingsStore;

class TestNoteOpening : public QObject {
    Q_OBJECT
public:
    TestNoteOpening();
    ~TestNoteOpening() override;

private slots:
    void init();
    void cleanup();

    void newNoteInEmptyFolder();
    void newNoteWalksPastNotesWithText();
    void saveAsOntoAnOpenNoteBringsItForward();
    void newNoteStopsAtTheLastNumber();
    void openNoteIsRaisedNotOpenedTwice();
    void listClickOpensInCurrentBorder();
    void startupOpensAllInStoredBorder();
    void getNoteShowsAndHidesTheList();
    void trayMenuHoldsTwentyNotes();
    void trayNoteItemsOpenTheirNote();
    void typingUpdatesTheListedEntry();
    void minimizeAndBackKeepsThePlace();
    void minimizeWithoutTrayUsesTaskBar();

private:
    MainWindow &startMenu();
    void writeNote(const QString &name, const QByteArray &text);

    std::unique_ptr<QTemporaryDir> m_notes;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<MainWindow> m_menu;
};
