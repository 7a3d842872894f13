#pragma once

#include <QObject>

class TestParsedHtml : public QObject {
    Q_OBJECT
private slots:
    void nesting_data();
    void nesting();
};
