#pragma once

#include <QObject>

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void init();

    void missingEntryGivesDefault();
    void emptyStringIsNotMissing();
    void defaults_data();
    void defaults();
    void roundTripThroughTheFile_data();
    void roundTripThroughTheFile();
    void savingTheStoredValueLeavesTheFile();
    void perNoteEntriesByFileName();
    void garbageFileStartsWithDefaults();
    void handEditedTicks_data();
    void handEditedTicks();
    void handEditedFlags_data();
    void handEditedFlags();

    void numericText_data();
    void numericText();
    void colourNames_data();
    void colourNames();
};
