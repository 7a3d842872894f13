#include "web/ParsedHtml.h"

#include <gumbo.h>

#include <QList>

#include <cstdlib>
#include <cstring>

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
    keepTrailingTextInForms();
}

namespace {

// The text a run of raw page text stands for (character references decoded), as UTF-8.
QByteArray decodedText(const char *raw, std::size_t length)
{
    const ParsedHtml fragment("<body>" + QByteArray(raw, static_cast<qsizetype>(length)));
    QByteArray text;
    if (const GumboNode *body = fragment.body()) {
        const GumboVector &children = body->v.element.children;
        for (unsigned int i = 0; i < children.length; ++i) {
            const auto *child = static_cast<const GumboNode *>(children.data[i]);
            if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)
                text += child->v.text.text;
        }
    }
    return text;
}

bool isBlank(const QByteArray &text)
{
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            return false;
    }
    return true;
}

} // namespace

const char *ParsedHtml::keep(const QByteArray &text)
{
    auto *copy = static_cast<char *>(allocate(m_blocks, static_cast<std::size_t>(text.size()) + 1));
    std::memcpy(copy, text.constData(), static_cast<std::size_t>(text.size()) + 1);
    return copy;
}

void ParsedHtml::append(GumboNode *parent, GumboNode *child)
{
    GumboVector &own = parent->v.element.children;
    if (own.length == own.capacity) {
        const unsigned int capacity = own.capacity ? own.capacity * 2 : 4;
        auto **grown = static_cast<void **>(allocate(m_blocks, capacity * sizeof(void *)));
        for (unsigned int j = 0; j < own.length; ++j)
            grown[j] = own.data[j];
        deallocate(m_blocks, own.data);
        own.data = grown;
        own.capacity = capacity;
    }
    child->parent = parent;
    child->index_within_parent = own.length;
    own.data[own.length++] = child;
}

// Gumbo holds text back until the next tag, and on </form> it takes the form off its stack
// before placing that text: "<form>... <a>x</a> tail</form> more<p>" comes out with
// " tail more" after the form. The source positions show which part belongs in the form; that
// part is put back at the form's end.
void ParsedHtml::keepTrailingTextInForms()
{
    if (!m_output || !m_output->document)
        return;
    QList<GumboNode *> stack{m_output->document};
    while (!stack.isEmpty()) {
        GumboNode *node = stack.takeLast();
        GumboVector *children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT)
            children = &node->v.document.children;
        else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
            children = &node->v.element.children;
        if (!children)
            continue;
        for (unsigned int i = 0; i + 1 < children->length; ++i) {
            auto *form = static_cast<GumboNode *>(children->data[i]);
            auto *text = static_cast<GumboNode *>(children->data[i + 1]);
            if (form->type != GUMBO_NODE_ELEMENT || form->v.element.tag != GUMBO_TAG_FORM ||
                (text->type != GUMBO_NODE_TEXT && text->type != GUMBO_NODE_WHITESPACE))
                continue;
            // The end tag sits inside the text's raw source when the text was held back
            // over it; "</" and a letter is always a tag, so the first "</form" is this one.
            GumboStringPiece &raw = text->v.text.original_text;
            const QByteArray source =
                QByteArray::fromRawData(raw.data, static_cast<qsizetype>(raw.length));
            const qsizetype endTag = source.toLower().indexOf("</form");
            const qsizetype endTagClose = endTag < 0 ? -1 : source.indexOf('>', endTag);
            if (endTag <= 0 || endTagClose < 0)
                continue;
            const std::size_t start = text->v.text.start_pos.offset;
            const auto inside = static_cast<std::size_t>(endTag);
            const auto skipped = static_cast<std::size_t>(endTagClose + 1);
            if (skipped >= raw.length) {
                // All of it belongs in the form: move the node.
                for (unsigned int j = i + 1; j + 1 < children->length; ++j) {
                    children->data[j] = children->data[j + 1];
                    static_cast<GumboNode *>(children->data[j])->index_within_parent = j;
                }
                --children->length;
                append(form, text);
                continue;
            }
            // Split: a new node in the form for the first part, the rest stays after it.
            const QByteArray before = decodedText(raw.data, inside);
            const QByteArray after = decodedText(raw.data + skipped, raw.length - skipped);
            auto *moved = static_cast<GumboNode *>(allocate(m_blocks, sizeof(GumboNode)));
            std::memset(moved, 0, sizeof(GumboNode));
            moved->type = isBlank(before) ? GUMBO_NODE_WHITESPACE : GUMBO_NODE_TEXT;
            moved->parse_flags = GUMBO_INSERTION_NORMAL;
            moved->v.text.text = keep(before);
            moved->v.text.original_text = {raw.data, inside};
            moved->v.text.start_pos = text->v.text.start_pos;
            append(form, moved);

            text->type = isBlank(after) ? GUMBO_NODE_WHITESPACE : GUMBO_NODE_TEXT;
            text->v.text.text = keep(after);
            raw = {raw.data + skipped, raw.length - skipped};
            text->v.text.start_pos.offset = static_cast<unsigned int>(start + skipped);
        }
        for (unsigned int i = 0; i < children->length; ++i) {
            auto *child = static_cast<GumboNode *>(children->data[i]);
            if (child->type == GUMBO_NODE_ELEMENT || child->type == GUMBO_NODE_TEMPLATE)
                stack.append(child);
        }
    }
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
