#pragma once

#include <QObject>

// Sync rounds of two notes folders against the real site.
class TestSyncRound final : public QObject {
    Q_OBJECT
private slots:
    void twoFolders();
};
