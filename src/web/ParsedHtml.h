#pragma once

#include <QByteArray>

struct GumboInternalNode;
struct GumboInternalOutput;

// One HTML page parsed by gumbo. The parse tree lives as long as this object.
//
// Gumbo frees its tree recursively, which a page of a few hundred thousand nested elements
// turns into a stack overflow; so every block gumbo allocates is kept in a list of our own
// and released here in one flat pass instead. Walks over the tree must be iterative too.
class ParsedHtml final {
public:
    // `utf8` is copied; invalid UTF-8 is replaced by gumbo.
    explicit ParsedHtml(const QByteArray &utf8);
    ~ParsedHtml();

    ParsedHtml(const ParsedHtml &) = delete;
    ParsedHtml &operator=(const ParsedHtml &) = delete;

    // Whether the elements of `html` (any ASCII-compatible encoding) may nest deeper than
    // `limit`, judged from the tags alone. The parser's cost grows with the square of the
    // nesting, so a page of a hundred thousand unclosed elements would take hours; such a page
    // is refused instead. Elements whose end tag may be left out (p, li, td, option, ...)
    // and void elements are not counted, so ordinary pages never come near the limit.
    static bool nestsDeeperThan(const QByteArray &html, int limit);

    const GumboInternalNode *document() const;
    // The <body> element, or nullptr (a frameset page).
    const GumboInternalNode *body() const;

    struct Block;

private:
    void keepTrailingTextInForms();
    void append(GumboInternalNode *parent, GumboInternalNode *child);
    // A copy of `text` that lives as long as the tree.
    const char *keep(const QByteArray &text);

    QByteArray m_source; // gumbo points into it
    Block *m_blocks;     // list head of gumbo's live allocations
    GumboInternalOutput *m_output = nullptr;
};
