#include "TestEnvironment.h"
#include "TestLeftoverSaves.h"
#include "TestNoteBackups.h"
#include "TestNoteFile.h"
#include "TestNotesFolder.h"

PINVELLE_TEST_MAIN(TestNoteFile, TestNotesFolder, TestNoteBackups, TestLeftoverSaves)
