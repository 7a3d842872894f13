#pragma once

#include <QObject>

class TestAutostart : public QObject {
    Q_OBJECT
private slots:
    void windowsPaths_data();
    void windowsPaths();
    void copiesIntoANewFolder();
    void replacesAnExistingCopy();
    void withoutSourceNothingChanges_data();
    void withoutSourceNothingChanges();
    void unwritableFolderKeepsTheOldCopy();
    void freedesktopLocations();
};
