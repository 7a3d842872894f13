#pragma once

#include <QLoggingCategory>

// "pinvelle.sync": what a sync round decided and did, note by note.
Q_DECLARE_LOGGING_CATEGORY(lcSync)
