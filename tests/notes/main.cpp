#include "TestEnvironment.h"
#include "TestNoteMenu.h"
#include "TestNotePlacement.h"
#include "TestNoteSaver.h"
#include "TestNoteWindow.h"
#include "TestSaveAsName.h"
#include "TestUnsavedNotes.h"
#include "TestWindowRegistry.h"

PINVELLE_TEST_MAIN(TestNotePlacement, TestSaveAsName, TestNoteSaver, TestNoteWindow, TestNoteMenu,
                   TestUnsavedNotes, TestWindowRegistry)
