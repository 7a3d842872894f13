#include "TestEnvironment.h"
#include "TestSite.h"

PINVELLE_TEST_MAIN(TestSite)
