#include "TestEnvironment.h"
#include "TestOptionsPanel.h"
#include "TestSettingsStore.h"

PINVELLE_TEST_MAIN(TestSettingsStore, TestOptionsPanel)
