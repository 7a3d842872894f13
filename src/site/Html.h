#pragma once

#include <QString>

// Pieces of the site's pages: escaping and the common frame with its small style sheet.
namespace Html {

// Text made safe for an element's content or a quoted attribute value.
QString escaped(const QString &text);
// A note's name as a message quotes it, not yet escaped: control characters as "?", a long
// one cut short.
QString quotedName(const QString &name);
// A whole page: doctype, a viewport for phones, the style sheet, `title` and `body`.
QString page(const QString &siteName, const QString &title, const QString &body);

} // namespace Html
