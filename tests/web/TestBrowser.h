#pragma once

#include <QObject>

class TestBrowser : public QObject {
    Q_OBJECT
private slots:
    void formElementsOfLoadedPage();
    void busyUntilLoadEnds();
    void postCarriesHiddenFieldsAndClickedButton();
    void getFormSendsQuery();
    void relativeActionAndReferer();
    void cookiesKeptForTheSession();
    void redirectsFollowed();
    void redirectLoopFails();
    void pageWithoutForm();
    void errorStatusPageIsShown();
    void serverDown();
    void droppedConnection();
    void bodyCutShort();
    void timeout();
    void largePageRefused();
    void largeUnannouncedPageRefused();
    void compressedBombRefused();
    void largePageWithinLimitLoads();
    void deeplyNestedPageRefused();
    void nonHtmlResponse();
    void unsupportedAddress();
    void newNavigationSupersedesOld();
    void stopKeepsPage();
    void charsetHonoured();
    void certificateErrorFails();
};
