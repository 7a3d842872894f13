#include "StoreLog.h"

Q_LOGGING_CATEGORY(lcStore, "pinvelle.store")
