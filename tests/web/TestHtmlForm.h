#pragma once

#include <QObject>

class TestHtmlForm : public QObject {
    Q_OBJECT
private slots:
    void elementsByPositionAndName();
    void postSendsSuccessfulControlsAndClickedButton();
    void valuesEncodedAsBrowsersDo_data();
    void valuesEncodedAsBrowsersDo();
    void textLinesDropLineBreaks();
    void selectValues();
    void checkBoxesRadiosAndReset();
    void getReplacesQueryOfAction();
    void actionResolvedAgainstPage_data();
    void actionResolvedAgainstPage();
    void scriptActionSubmitsNothing();
    void onlyFirstFormAndItsOwnedControls();
    void disabledControls();
    void buttonsAndImageButtons();
    void multipartBody();
    void noFormOnPage();
};
