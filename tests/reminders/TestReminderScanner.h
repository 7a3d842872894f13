#pragma once

#include "FakeClock.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

class MainWindow;
class SettingsStore;

class TestReminderScanner : public QObject {
    Q_OBJECT
public:
    TestReminderScanner();
    ~TestReminderScanner() override;

private slots:
    void init();
    void cleanup();

    void timerRunsEveryMinute();
    void currentMinuteFiresAtTheNextTick();
    void prefilledReminderFiresAtTheNextTick();
    void pastReminderFiresBeforeTheListIsShown();
    void openNoteIsOnlyRaised();
    void closedNoteOpensFlashingAndCleared();
    void extensionMatchedWithoutRegardToCase();
    void unreadableValuesAreSkipped();
    void scanKeepsItsPlace();
    void reminderSurvivesARestart();

private:
    MainWindow &startMenu();
    // One tick of the main window's reminder timer, waited out.
    void tick(MainWindow &menu);
    void writeNote(const QString &name, const QByteArray &text);
    QString reminder(const QString &fileName) const;
    void setReminder(const QString &fileName, const QString &value);

    std::unique_ptr<QTemporaryDir> m_notes;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<MainWindow> m_menu;
    FakeClock m_clock;
};
