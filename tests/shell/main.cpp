#include "TestAutostart.h"
#include "TestEnvironment.h"
#include "TestFormMenu.h"
#include "TestInfoCommands.h"
#include "TestNoteCatalogue.h"
#include "TestNoteOpening.h"
#include "TestStartupQuestion.h"

PINVELLE_TEST_MAIN(TestFormMenu, TestStartupQuestion, TestInfoCommands, TestAutostart,
                   TestNoteCatalogue, TestNoteOpening)
