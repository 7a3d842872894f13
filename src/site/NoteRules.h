#pragma once

#include <QString>

// What the site accepts as a note: a name that is a plain file name on every system the
// desktop program runs on, and a text of bounded size.
namespace NoteRules {

inline constexpr int kMaximumNameBytes = 255;
inline constexpr int kMaximumTextBytes = 1024 * 1024;
inline constexpr int kMaximumNotesPerAccount = 10000;

// Why the name cannot be stored, or empty when it can.
QString nameProblem(const QString &name);
// Why the text cannot be stored, or empty when it can.
QString textProblem(const QString &text);

} // namespace NoteRules
