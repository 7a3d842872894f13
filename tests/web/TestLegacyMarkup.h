#pragma once

#include <QObject>

class TestLegacyMarkup : public QObject {
    Q_OBJECT
private slots:
    void body_data();
    void body();
    void contractMarkersFound();
    void framesetHasNoBody();
    void deepNestingIsWrittenWhole();
};
