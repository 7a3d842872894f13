#pragma once

#include <QObject>

// The parts of synchronising that need no window: addresses, the note table, pulled names.
class TestSyncLogic final : public QObject {
    Q_OBJECT
private slots:
    void requestAddresses();
    void siteName_data();
    void siteName();
    void noteTable_data();
    void noteTable();
    void pulledName_data();
    void pulledName();
    void shownName();
    void scheduleBacksOff();
};
