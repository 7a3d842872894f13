#include "TestBrowser.h"
#include "TestEnvironment.h"
#include "TestHtmlForm.h"
#include "TestParsedHtml.h"

PINVELLE_TEST_MAIN(TestParsedHtml, TestHtmlForm, TestBrowser)
