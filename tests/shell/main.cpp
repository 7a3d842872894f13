#include "TestAutostart.h"
#include "TestEnvironment.h"
#include "TestInfoCommands.h"
#include "TestMainWindow.h"
#include "TestNoteCatalogue.h"
#include "TestNoteOpening.h"
#include "TestStartupQuestion.h"

PINVELLE_TEST_MAIN(TestMainWindow, TestStartupQuestion, TestInfoCommands, TestAutostart,
                   TestNoteCatalogue, TestNoteOpening)
