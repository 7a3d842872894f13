#include "TestEnvironment.h"
#include "TestPull.h"
#include "TestPush.h"
#include "TestSyncDecision.h"
#include "TestSyncLogic.h"
#include "TestSyncWindow.h"

PINVELLE_TEST_MAIN(TestSyncDecision, TestSyncLogic, TestSyncWindow, TestPush, TestPull)
