#include "platform/ParsedHtml.h"

#include <gumbo.h>

#include <QList>

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

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == ':' || c == '_';
}

// Elements that never hold others, or whose end the parser supplies when the next one starts.
bool isUncounted(const QByteArray &name)
{
    static const QList<QByteArray> names{
        "area",  "base",  "basefont", "bgsound", "br",     "col",      "embed", "frame",
        "hr",    "img",   "input",    "keygen",  "link",   "meta",     "param", "source",
        "track", "wbr",   "p",        "li",      "dt",     "dd",       "td",    "th",
        "tr",    "thead", "tbody",    "tfoot",   "option", "optgroup", "rb",    "rt",
        "rtc",   "rp",    "colgroup", "caption", "html",   "head",     "body",  "image"};
    return names.contains(name);
}

// Elements whose content is text up to their own end tag.
bool holdsText(const QByteArray &name)
{
    return name == "script" || name == "style" || name == "textarea" || name == "title" ||
           name == "xmp" || name == "iframe" || name == "noembed" || name == "noframes" ||
           name == "plaintext";
}

} // namespace

bool ParsedHtml::nestsDeeperThan(const QByteArray &html, int limit)
{
    const qsizetype size = html.size();
    const char *data = html.constData();
    int depth = 0;
    int foreign = 0; // open svg and math elements, inside which "/>" really closes
    qsizetype i = 0;
    while ((i = html.indexOf('<', i)) >= 0) {
        ++i;
        if (i >= size)
            break;
        if (size - i >= 3 && data[i] == '!' && data[i + 1] == '-' && data[i + 2] == '-') {
            const qsizetype end = html.indexOf("-->", i + 3);
            if (end < 0)
                break;
            i = end + 3;
            continue;
        }
        const bool closing = data[i] == '/';
        if (closing)
            ++i;
        const qsizetype start = i;
        while (i < size && isNameChar(data[i]))
            ++i;
        if (i == start)
            continue;
        const QByteArray name = html.mid(start, i - start).toLower();
        if (closing) {
            if (!isUncounted(name) && depth > 0)
                --depth;
            if ((name == "svg" || name == "math") && foreign > 0)
                --foreign;
            continue;
        }
        if (holdsText(name)) {
            // Good enough for the estimate: the content ends at the next end tag of any kind.
            const qsizetype end = html.indexOf("</", i);
            if (end < 0)
                break;
            i = end + 2;
            while (i < size && isNameChar(data[i]))
                ++i;
            continue;
        }
        const qsizetype tagEnd = html.indexOf('>', i);
        if (tagEnd < 0)
            break;
        if (foreign > 0 && data[tagEnd - 1] == '/')
            continue;
        if (name == "svg" || name == "math")
            ++foreign;
        if (!isUncounted(name) && ++depth > limit)
            return true;
    }
    return false;
}

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
