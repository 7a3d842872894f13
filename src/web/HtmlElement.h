#pragma once

#include <QList>
#include <QString>
#include <QStringView>

struct GumboInternalNode;

// A read-only view of one element (or the document) of a parsed page, for reading a page by
// its elements, ids, attributes and text instead of the spelling of its markup. A view is
// valid as long as the page it came from; a null view answers every question with nothing.
// Walks are iterative, so deeply nested pages cannot overflow the stack.
class HtmlElement final {
public:
    HtmlElement() = default;
    explicit HtmlElement(const GumboInternalNode *node) : m_node(node) {}

    bool isNull() const { return m_node == nullptr; }
    // The tag name in lower case; empty for the document.
    QString tagName() const;
    // An attribute's value (names are matched in lower case, as the parser keeps them), or a
    // null string when the element has no such attribute.
    QString attribute(const char *name) const;
    bool hasAttribute(const char *name) const;
    // The text of everything inside, character references decoded, blanks as they are: what
    // a browser shows, without the markup.
    QString text() const;

    // The elements inside with the tag `tagName` (lower case), in document order.
    QList<HtmlElement> descendants(QStringView tagName) const;
    // The first element inside whose id is `id`, of any tag; null when there is none.
    HtmlElement elementById(QStringView id) const;

private:
    const GumboInternalNode *m_node = nullptr;
};
