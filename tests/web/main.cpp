#include "TestBrowser.h"
#include "TestEnvironment.h"
#include "TestHtmlForm.h"
#include "TestLegacyMarkup.h"
#include "TestParsedHtml.h"

PINVELLE_TEST_MAIN(TestLegacyMarkup, TestParsedHtml, TestHtmlForm, TestBrowser)
