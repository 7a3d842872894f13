#pragma once

#include <QObject>

class TestNotePlacement : public QObject {
    Q_OBJECT
private slots:
    void parseSize_data();
    void parseSize();
    void defaultSizeIsNotStored_data();
    void defaultSizeIsNotStored();
    void positionRoundTrip_data();
    void positionRoundTrip();
    void junkPositionsAreIgnored_data();
    void junkPositionsAreIgnored();
    void keepVisible_data();
    void keepVisible();
};
