#include "TestDiskFaults.h"
#include "TestEnvironment.h"

PINVELLE_TEST_MAIN(TestDiskFaults)
