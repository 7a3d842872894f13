#include "TestEnvironment.h"
#include "TestPull.h"
#include "TestPush.h"
#include "TestSyncDecision.h"
#include "TestSyncLogic.h"
#include "TestSyncRound.h"
#include "TestSyncWindow.h"

PINVELLE_TEST_MAIN(TestSyncDecision, TestSyncLogic, TestSyncRound, TestSyncWindow, TestPush,
                   TestPull)
