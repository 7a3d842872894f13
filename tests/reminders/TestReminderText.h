#pragma once

#include <QObject>

class TestReminderText : public QObject {
    Q_OBJECT
private slots:
    void splitFillsWhatItCan_data();
    void splitFillsWhatItCan();
    void joinKeepsFieldsVerbatim();
    void fieldsOfAMoment_data();
    void fieldsOfAMoment();
    void everyMinuteOfADayReadsBack();
    void readingAsADate_data();
    void readingAsADate();
    void minuteBoundaries_data();
    void minuteBoundaries();
    void dueFromTheStartOfItsMinute();
    void firstWordsOnOneLine();
};
