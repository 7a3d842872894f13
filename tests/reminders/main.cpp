#include "TestEnvironment.h"
#include "TestReminderPanel.h"
#include "TestReminderScanner.h"
#include "TestReminderText.h"

PINVELLE_TEST_MAIN(TestReminderText, TestReminderPanel, TestReminderScanner)
