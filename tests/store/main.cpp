#include "TestEnvironment.h"
#include "TestNoteFile.h"
#include "TestNotesFolder.h"

PINVELLE_TEST_MAIN(TestNoteFile, TestNotesFolder)
