#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestStartupQuestion : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void borderlessAndCentred();
    void whenToAsk_data();
    void whenToAsk();
    void firstStartWaitsForTheAnswer();
    void yesStoresOneAndPlacesTheLauncher_data();
    void yesStoresOneAndPlacesTheLauncher();
    void yesWithoutLauncherChangesNothing();
    void noStoresTheBox_data();
    void noStoresTheBox();
    void closingWithoutAnswer();

private:
    QTemporaryDir m_notes;
    QTemporaryDir m_system; // stands in for the system's applications folders
};
