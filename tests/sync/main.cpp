#include "TestEnvironment.h"
#include "TestPull.h"
#include "TestPush.h"
#include "TestSyncLogic.h"
#include "TestSyncWindow.h"

PINVELLE_TEST_MAIN(TestSyncLogic, TestSyncWindow, TestPush, TestPull)
