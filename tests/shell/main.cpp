#include "TestAutostart.h"
#include "TestEnvironment.h"
#include "TestForm2255.h"
#include "TestFormMenu.h"
#include "TestInfoCommands.h"
#include "TestNoteCatalogue.h"
#include "TestNoteOpening.h"

PINVELLE_TEST_MAIN(TestFormMenu, TestForm2255, TestInfoCommands, TestAutostart, TestNoteCatalogue,
                   TestNoteOpening)
