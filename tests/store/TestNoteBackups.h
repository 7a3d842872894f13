#pragma once

#include <QObject>

class TestNoteBackups : public QObject {
    Q_OBJECT
private slots:
    void rotation_data();
    void rotation();
    void backupIsWrittenOnceADayWhenNotesChanged();
};
