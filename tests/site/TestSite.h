#pragma once

#include <QObject>

// The site's pages and sync API against hostile and odd input, through the real program.
class TestSite final : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void upload_data();
    void upload();
    void overwrite();
    void refusedSubmission_data();
    void refusedSubmission();
    void hostileRequest_data();
    void hostileRequest();
    void anonymousVisitsStoreNothing();
    void deletedNotesCountAgainstTheLimit();
    void signUpsFromOneAddressLimited();
    void plantedTokenSeesNothing();
    void databaseCopyChecksNoGuess();
    void ownerNotLockedOut();
    void manyClientsBehindProxy();
    void filesForTheSiteAlone();
    void wrongPasswordThrottled();
    void addressThrottledBehindProxy();
    void slowClientTimedOut();
    void tricklingClientCutOff_data();
    void tricklingClientCutOff();
    void answerInFlightFinishesOnStop();
    void newerSchemaRefused();
    void browserPages();
    void syncApi_data();
    void syncApi();
};
