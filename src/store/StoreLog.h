#pragma once

#include <QLoggingCategory>

// "pinvelle.store": what the note store did on its own, such as settling leftover saves.
Q_DECLARE_LOGGING_CATEGORY(lcStore)
