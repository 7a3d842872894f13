#pragma once

#include <QString>

#include <optional>

// Turns a note name read from the site into the name of a file in the notes folder. The page
// is not trusted: a name that is not a plain file name is refused rather than written.
class PulledName final {
public:
    // Longest file name, in UTF-8 bytes, that common file systems hold.
    static constexpr int kMaximumBytes = 255;

    // The name with ".pv" appended unless it already ends so (in any capitals); nothing when
    // the result is blank before the extension, is "." or "..", holds a folder separator, a
    // control character, the replacement character U+FFFD (the page lost a character there) or
    // a character Windows file names cannot hold, or is longer than kMaximumBytes.
    static std::optional<QString> fileName(const QString &pageName);

    // A refused name made fit to show: control characters as '?', long names shortened.
    static QString shown(const QString &pageName);
};
