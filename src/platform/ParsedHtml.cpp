#include "platform/ParsedHtml.h"

#include <gumbo.h>

#include <cstdlib>

// A header in front of every block gumbo asks for, linking it into a doubly linked list.
struct ParsedHtml::Block {
    Block *previous;
    Block *next;
};

namespace {

// Keeps the payload after the header aligned as malloc's would be.
constexpr std::size_t kHeader = (sizeof(ParsedHtml::Block) + alignof(std::max_align_t) - 1) /
                                alignof(std::max_align_t) * alignof(std::max_align_t);

void *allocate(void *userdata, std::size_t size)
{
    auto *head = static_cast<ParsedHtml::Block *>(userdata);
    auto *block = static_cast<ParsedHtml::Block *>(std::malloc(kHeader + size));
    if (!block)
        std::abort(); // gumbo cannot recover from a failed allocation
    block->previous = head;
    block->next = head->next;
    if (head->next)
        head->next->previous = block;
    head->next = block;
    return reinterpret_cast<char *>(block) + kHeader;
}

void deallocate(void *, void *pointer)
{
    if (!pointer)
        return;
    auto *block = reinterpret_cast<ParsedHtml::Block *>(static_cast<char *>(pointer) - kHeader);
    block->previous->next = block->next;
    if (block->next)
        block->next->previous = block->previous;
    std::free(block);
}

} // namespace

ParsedHtml::ParsedHtml(const QByteArray &utf8)
    : m_source(utf8), m_blocks(new Block{nullptr, nullptr})
{
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = allocate;
    options.deallocator = deallocate;
    options.userdata = m_blocks;
    options.max_errors = 0; // parse errors are of no use here and cost memory on broken pages
    m_output = gumbo_parse_with_options(&options, m_source.constData(),
                                        static_cast<std::size_t>(m_source.size()));
}

ParsedHtml::~ParsedHtml()
{
    Block *block = m_blocks->next;
    while (block) {
        Block *next = block->next;
        std::free(block);
        block = next;
    }
    delete m_blocks;
}

const GumboInternalNode *ParsedHtml::document() const
{
    return m_output ? m_output->document : nullptr;
}

const GumboInternalNode *ParsedHtml::body() const
{
    if (!m_output || !m_output->root || m_output->root->type != GUMBO_NODE_ELEMENT)
        return nullptr;
    const GumboVector &children = m_output->root->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        const auto *child = static_cast<const GumboNode *>(children.data[i]);
        if (child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == GUMBO_TAG_BODY)
            return child;
    }
    return nullptr;
}
