#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The date and time a note's Time Stamp appends: the locale's short date and long time,
// without a time zone, as the system's general date format shows them.
namespace TimeStamp {

QString text(const QDateTime &when, const QLocale &locale = QLocale::system());

} // namespace TimeStamp
