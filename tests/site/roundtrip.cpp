#include "TestEnvironment.h"
#include "TestRoundTrip.h"

PINVELLE_TEST_MAIN(TestRoundTrip)
