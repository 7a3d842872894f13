#pragma once

#include <QObject>

class TestSaveAsName : public QObject {
    Q_OBJECT
private slots:
    void names_data();
    void names();
};
