#pragma once

#include <QObject>

// Pushing the chosen notes to the site double.
class TestPush final : public QObject {
    Q_OBJECT
private slots:
    void notesSentAsStored();
    void overwriteFlag_data();
    void overwriteFlag();
    void refusedBeforeStart_data();
    void refusedBeforeStart();
    void wrongPassword();
    void selectionReadAsReached();
    void unreadableNote();
    void siteDown();
    void pageWithoutForm();
    void hugePage();
    void outcomes_data();
    void outcomes();
    void noPauseBetweenNotes();
    void closeDuringPush();
    void passwordKeptOffDisk();
};
