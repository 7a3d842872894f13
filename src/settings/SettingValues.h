#pragma once

#include <QString>
#include <optional>

// Conversions of stored text to the values controls take. Each gives nothing when the
// text does not convert, and the caller keeps the control at its default.
namespace SettingValues {

// A tick box's state: 0 clear or 1 ticked.
std::optional<int> tick(const QString &text);
// A truth value: "True"/"False" in any case, or a whole number (non-zero is true).
std::optional<bool> flag(const QString &text);

QString fromTick(bool ticked);
QString fromFlag(bool value);

// Whether text, trimmed, reads as a finite number ("12", " 10.5 ", "-3", "1e2").
bool isNumeric(const QString &text);
// Whether text is numeric and its value lies from low to high, both included.
bool isWithin(const QString &text, double low, double high);

} // namespace SettingValues
