#pragma once

#include <gumbo.h>

// The child nodes of a document or element; nullptr for text, comments and the like.
// Template contents are not part of the page.
inline const GumboVector *childrenOf(const GumboNode *node)
{
    switch (node->type) {
    case GUMBO_NODE_DOCUMENT:
        return &node->v.document.children;
    case GUMBO_NODE_ELEMENT:
        return &node->v.element.children;
    default:
        return nullptr;
    }
}
