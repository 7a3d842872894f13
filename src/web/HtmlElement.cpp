#include "web/HtmlElement.h"

#include "web/GumboChildren.h"

#include <gumbo.h>

#include <QVector>

#include <utility>

namespace {

// Calls `visit` for every node below `root` in document order, without recursion; `visit`
// returns false to stop the walk.
template <typename Visit> void walk(const GumboNode *root, Visit visit)
{
    if (!root)
        return;
    QVector<std::pair<const GumboNode *, unsigned int>> stack{{root, 0}};
    while (!stack.isEmpty()) {
        auto &[current, next] = stack.last();
        const GumboVector *children = childrenOf(current);
        if (!children || next >= children->length) {
            stack.removeLast();
            continue;
        }
        const auto *child = static_cast<const GumboNode *>(children->data[next++]);
        if (!visit(child))
            return;
        if (child->type == GUMBO_NODE_ELEMENT)
            stack.append({child, 0}); // `current` and `next` are not used after this
    }
}

bool isHtmlElement(const GumboNode *node)
{
    return node->type == GUMBO_NODE_ELEMENT &&
           node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

QString nameOf(const GumboNode *node)
{
    if (node->v.element.tag != GUMBO_TAG_UNKNOWN)
        return QString::fromLatin1(gumbo_normalized_tagname(node->v.element.tag));
    GumboStringPiece name = node->v.element.original_tag;
    gumbo_tag_from_original_text(&name);
    return QString::fromUtf8(name.data, static_cast<qsizetype>(name.length)).toLower();
}

} // namespace

QString HtmlElement::tagName() const
{
    return m_node && m_node->type == GUMBO_NODE_ELEMENT ? nameOf(m_node) : QString();
}

QString HtmlElement::attribute(const char *name) const
{
    if (!m_node || m_node->type != GUMBO_NODE_ELEMENT)
        return {};
    const GumboAttribute *found = gumbo_get_attribute(&m_node->v.element.attributes, name);
    return found ? QString::fromUtf8(found->value) : QString();
}

bool HtmlElement::hasAttribute(const char *name) const
{
    return m_node && m_node->type == GUMBO_NODE_ELEMENT &&
           gumbo_get_attribute(&m_node->v.element.attributes, name) != nullptr;
}

QString HtmlElement::text() const
{
    QString text;
    walk(m_node, [&](const GumboNode *node) {
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
            node->type == GUMBO_NODE_CDATA)
            text += QString::fromUtf8(node->v.text.text);
        return true;
    });
    return text;
}

QList<HtmlElement> HtmlElement::descendants(QStringView tagName) const
{
    QList<HtmlElement> found;
    const QByteArray name = tagName.toUtf8();
    const GumboTag tag = gumbo_tagn_enum(name.constData(), static_cast<unsigned int>(name.size()));
    walk(m_node, [&](const GumboNode *node) {
        if (isHtmlElement(node) && node->v.element.tag == tag &&
            (tag != GUMBO_TAG_UNKNOWN || nameOf(node) == tagName))
            found.append(HtmlElement(node));
        return true;
    });
    return found;
}

HtmlElement HtmlElement::elementById(QStringView id) const
{
    HtmlElement found;
    walk(m_node, [&](const GumboNode *node) {
        if (node->type != GUMBO_NODE_ELEMENT)
            return true;
        const GumboAttribute *own = gumbo_get_attribute(&node->v.element.attributes, "id");
        if (own && QString::fromUtf8(own->value) == id) {
            found = HtmlElement(node);
            return false;
        }
        return true;
    });
    return found;
}
