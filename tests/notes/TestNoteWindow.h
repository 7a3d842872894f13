#pragma once

#include <QObject>

// Loading a note into its window, its size, colour and position, and saving as it is typed.
class TestNoteWindow : public QObject {
    Q_OBJECT
private slots:
    void loadsByKey_data();
    void loadsByKey();
    void handingOverTwiceLoadsTwice();
    void bothKindsLackMinimiseAndMaximise();
    void loadingNeverWrites();
    void scrollBarOnlyWhileTextOverflows();
    void colourByNameIgnoresCase_data();
    void colourByNameIgnoresCase();
    void sizeFromOptionsThenStored_data();
    void sizeFromOptionsThenStored();
    void defaultSizeNeverOverwritesStoredSize();
    void allNotesOnTopAtLoad();

    void typingOneCharacterRewritesTheFile();
    void trailingSpacesDoNotRewrite();
    void deletingAllTextRemovesTheFile();
    void ctrlZSwapsInThePreviousText();
    void autoSaveOffWritesNothingUntilSave();
    void fontSizeReachesTheNoteAtItsNextKeystroke();
    void linesAreWrittenWithCrLf();

    void changeFromElsewhere_data();
    void changeFromElsewhere();
    void failedWriteKeepsTheFileAndWarnsOnce();
    void positionIsRestoredAndStored();
    void positionOffEveryScreenIsBroughtBack();
};
