#pragma once

#include <QObject>

// The table that decides what a sync round does with each note.
class TestSyncDecision final : public QObject {
    Q_OBJECT
private slots:
    void decide_data();
    void decide();
};
