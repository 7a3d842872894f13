#include "SyncLog.h"

Q_LOGGING_CATEGORY(lcSync, "pinvelle.sync")
