#pragma once

#include <QObject>

// A push from the desktop program's synchronisation window to the real site and a pull into
// another notes folder give back the same bytes.
class TestRoundTrip final : public QObject {
    Q_OBJECT
private slots:
    void pushThenPull();
};
