#pragma once

#include <QObject>

class TestReminderPanel : public QObject {
    Q_OBJECT
private slots:
    void controlsAsDesigned();
    void menuOpensThePanelPrefilled_data();
    void menuOpensThePanelPrefilled();
    void setStoresTheFieldsVerbatim();
    void openingShowsTheStoredReminder();
    void cancelReminderKeepsTheMark();
    void typedFieldsLastForTheWindow();
    void cancelStopsTheFlashing();
    void flashesEverySecond();
    void setOrCancelLeavesTheFlashing();
    void dueReminderShowsItsValue();
    void handEditedValuesNeverFail_data();
    void handEditedValuesNeverFail();
    void notesKeepSeparateReminders();
};
