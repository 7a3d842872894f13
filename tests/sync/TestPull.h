#pragma once

#include <QObject>

// Pulling the account's notes from the site double into the notes folder.
class TestPull final : public QObject {
    Q_OBJECT
private slots:
    void overwriteLocal_data();
    void overwriteLocal();
    void blankSiteNote_data();
    void blankSiteNote();
    void ordinaryPages_data();
    void ordinaryPages();
    void pullTwice();
    void pushThenPullKeepsTheFile();
    void hostileNames();
    void tableEndingWithDataCell();
    void dataBeforeAnyName();
    void overwriteReadForEveryNote();
    void wrongPassword();
    void siteDown();
    void pageWithoutForm();
    void hugePage();
    void closeDuringPull();
    void pushAndPullTogether();
    void siteNeedsItsSession();
};
