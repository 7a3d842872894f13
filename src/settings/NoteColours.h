#pragma once

#include <QColor>
#include <QStringList>
#include <optional>

// The colours a note can be given by name in the options.
namespace NoteColours {

// The names offered in the colour list, in the order they are offered.
const QStringList &names();

// The colour for a name compared without regard to case; nothing for an empty text or
// one that names no colour, and the note keeps its own colour.
std::optional<QColor> byName(const QString &text);

} // namespace NoteColours
