#pragma once

#include <QObject>

// Finding open note windows by title, and keeping a window on top.
class TestWindowRegistry : public QObject {
    Q_OBJECT
private slots:
    void findsByCurrentTitle();
    void activateShowsHiddenWindows();
    void noSuchWindowIsItsOwnAnswer();
    void destroyedWindowsLeave();
    void topmostKeepsPlaceAndSize();
};
