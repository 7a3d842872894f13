#pragma once

#include <QObject>

class TestOptionsPanel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartShowsDefaults();
    void letterInFontSizeIsRefused();
    void emptyFontSizeIsStoredEmpty();
    void fontSizeStoredAsTyped_data();
    void fontSizeStoredAsTyped();
    void storedNonNumericFontIsReplacedAtStart();
    void sizesOutOfRangeGoBack_data();
    void sizesOutOfRangeGoBack();
    void colourStoredWhenFocusLeaves();
    void colourListOrderAndStoredText();
    void borderStoredAsPair();
    void tickBoxesStoreTheirEntry_data();
    void tickBoxesStoreTheirEntry();
    void handEditedValuesKeepDefaults();
    void sessionOnlyValuesAreNotStored();
};
