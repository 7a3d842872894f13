#pragma once

#include <QObject>

class TestNotesFolder : public QObject {
    Q_OBJECT
private slots:
    void fileNames_data();
    void fileNames();
    void chosenFolderIsCreated();
    void programFolderUsedWhenNoneNamed();
    void installedProgramUsesDataFolder();
    void programFolderNotUsedWhenInstalledOrBuilt();
    void unwritableFolderFallsBack();
    void trailingSeparatorDropped();
};
