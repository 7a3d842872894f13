#pragma once

#include <QObject>

// The synchronisation window: its controls, the list of local notes and the small commands.
class TestSyncWindow final : public QObject {
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void looks();
    void list();
    void emptyFolder();
    void selectAll();
    void openAgain();
    void accountLink();
    void linkUnderline();
    void closeForgetsAccount();
    void mainWindowCommand();
    void syncControls();
};
