#pragma once

#include <QByteArray>
#include <QString>

struct GumboInternalNode;

// Writes parsed markup back out the way the old embedded browser control reported an
// element's outer markup, so a page can be looked at (and compared) in the form such pages
// were once read in. Pages are read by their elements (see HtmlElement), never from this text.
//   - tag names in upper case: <TABLE>, </TD>;
//   - attribute names in lower case, except the handful the old control spelled with capitals
//     (colSpan, cellPadding, noWrap, ...);
//   - an attribute value bare when it is a plain word (letters, digits, '-', '_', '.', '#'),
//     otherwise in double quotes with '&' and '"' escaped;
//   - presence-only attributes (nowrap, checked, selected, ...) written bare, whatever value
//     the page gave them: nowrap="nowrap" becomes noWrap;
//   - void elements (BR, INPUT, IMG, ...) without an end tag or a closing slash;
//   - text with '&', '<', '>' and the no-break space escaped (&amp; &lt; &gt; &nbsp;) and every
//     other character as itself, so &quot; or &#233; in the page read back as '"' and 'é';
//   - script and style content as it was.
class LegacyMarkup final {
public:
    // The outer markup of a parsed element (or the text of a text node).
    static QString write(const GumboInternalNode *node);

    // Parses a whole UTF-8 page and returns its body element's outer markup; empty when the
    // page has no body (a frameset).
    static QString bodyOf(const QByteArray &utf8Html);
};
