#pragma once

#include <QObject>

class TestLeftoverSaves : public QObject {
    Q_OBJECT
private slots:
    void settled_data();
    void settled();
};
