#include "web/LegacyMarkup.h"

#include "web/ParsedHtml.h"

#include <gumbo.h>

#include <QHash>
#include <QSet>
#include <QVector>

namespace {

QString fromPiece(const GumboStringPiece &piece)
{
    return QString::fromUtf8(piece.data, static_cast<qsizetype>(piece.length));
}

QString tagName(const GumboElement &element)
{
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return QString::fromLatin1(gumbo_normalized_tagname(element.tag)).toUpper();
    GumboStringPiece name = element.original_tag;
    gumbo_tag_from_original_text(&name);
    return fromPiece(name).toUpper();
}

bool isVoid(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_BASEFONT:
    case GUMBO_TAG_BGSOUND:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_COL:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_FRAME:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_IMG:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_KEYGEN:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_META:
    case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_WBR:
        return true;
    default:
        return false;
    }
}

// Content the parser took verbatim: written back verbatim.
bool holdsRawText(const GumboNode *parent)
{
    if (!parent || parent->type != GUMBO_NODE_ELEMENT)
        return false;
    switch (parent->v.element.tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_PLAINTEXT:
        return true;
    default:
        return false;
    }
}

// Attributes whose presence is their meaning; written as the name alone.
const QSet<QString> &presenceAttributes()
{
    static const QSet<QString> names{
        QStringLiteral("nowrap"),   QStringLiteral("checked"),  QStringLiteral("selected"),
        QStringLiteral("disabled"), QStringLiteral("readonly"), QStringLiteral("multiple"),
        QStringLiteral("noshade"),  QStringLiteral("ismap"),    QStringLiteral("compact"),
        QStringLiteral("defer"),    QStringLiteral("declare"),  QStringLiteral("nohref"),
        QStringLiteral("noresize")};
    return names;
}

// The spellings the old control used where they differ from plain lower case.
const QHash<QString, QString> &legacyNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("nowrap"), QStringLiteral("noWrap")},
        {QStringLiteral("checked"), QStringLiteral("CHECKED")},
        {QStringLiteral("readonly"), QStringLiteral("readOnly")},
        {QStringLiteral("noshade"), QStringLiteral("noShade")},
        {QStringLiteral("ismap"), QStringLiteral("isMap")},
        {QStringLiteral("nohref"), QStringLiteral("noHref")},
        {QStringLiteral("noresize"), QStringLiteral("noResize")},
        {QStringLiteral("colspan"), QStringLiteral("colSpan")},
        {QStringLiteral("rowspan"), QStringLiteral("rowSpan")},
        {QStringLiteral("cellpadding"), QStringLiteral("cellPadding")},
        {QStringLiteral("cellspacing"), QStringLiteral("cellSpacing")},
        {QStringLiteral("bgcolor"), QStringLiteral("bgColor")},
        {QStringLiteral("valign"), QStringLiteral("vAlign")},
        {QStringLiteral("maxlength"), QStringLiteral("maxLength")},
        {QStringLiteral("tabindex"), QStringLiteral("tabIndex")},
        {QStringLiteral("accesskey"), QStringLiteral("accessKey")},
        {QStringLiteral("usemap"), QStringLiteral("useMap")},
        {QStringLiteral("frameborder"), QStringLiteral("frameBorder")},
        {QStringLiteral("marginwidth"), QStringLiteral("marginWidth")},
        {QStringLiteral("marginheight"), QStringLiteral("marginHeight")},
        {QStringLiteral("datetime"), QStringLiteral("dateTime")},
        {QStringLiteral("longdesc"), QStringLiteral("longDesc")}};
    return names;
}

bool isPlainWord(const QString &value)
{
    if (value.isEmpty())
        return false;
    for (QChar c : value) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.' || u == '#';
        if (!plain)
            return false;
    }
    return true;
}

void appendEscapedText(QString &out, const QString &text)
{
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case 0x00A0:
            out += QLatin1String("&nbsp;");
            break;
        default:
            out += c;
        }
    }
}

void appendQuotedValue(QString &out, const QString &value)
{
    out += QLatin1Char('"');
    for (QChar c : value) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case 0x00A0:
            out += QLatin1String("&nbsp;");
            break;
        default:
            out += c;
        }
    }
    out += QLatin1Char('"');
}

void appendStartTag(QString &out, const GumboElement &element)
{
    out += QLatin1Char('<');
    out += tagName(element);
    for (unsigned int i = 0; i < element.attributes.length; ++i) {
        const auto *attribute = static_cast<const GumboAttribute *>(element.attributes.data[i]);
        const QString name = QString::fromUtf8(attribute->name);
        out += QLatin1Char(' ');
        out += legacyNames().value(name, name);
        if (presenceAttributes().contains(name))
            continue;
        out += QLatin1Char('=');
        const QString value = QString::fromUtf8(attribute->value);
        if (isPlainWord(value))
            out += value;
        else
            appendQuotedValue(out, value);
    }
    out += QLatin1Char('>');
}

const GumboVector *childrenOf(const GumboNode *node)
{
    switch (node->type) {
    case GUMBO_NODE_DOCUMENT:
        return &node->v.document.children;
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE:
        return &node->v.element.children;
    default:
        return nullptr;
    }
}

void appendLeaf(QString &out, const GumboNode *node)
{
    switch (node->type) {
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_WHITESPACE: {
        const QString text = QString::fromUtf8(node->v.text.text);
        if (holdsRawText(node->parent))
            out += text;
        else
            appendEscapedText(out, text);
        break;
    }
    case GUMBO_NODE_CDATA:
        out += QLatin1String("<![CDATA[");
        out += QString::fromUtf8(node->v.text.text);
        out += QLatin1String("]]>");
        break;
    case GUMBO_NODE_COMMENT:
        out += QLatin1String("<!--");
        out += QString::fromUtf8(node->v.text.text);
        out += QLatin1String("-->");
        break;
    default:
        break;
    }
}

} // namespace

QString LegacyMarkup::write(const GumboNode *root)
{
    QString out;
    if (!root)
        return out;

    // Depth-first without recursion: a frame is an open element and its next child.
    struct Frame {
        const GumboNode *node;
        unsigned int next;
    };
    QVector<Frame> open;

    auto enter = [&](const GumboNode *node) {
        if (node->type == GUMBO_NODE_DOCUMENT) {
            open.append({node, 0});
            return;
        }
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) {
            appendLeaf(out, node);
            return;
        }
        appendStartTag(out, node->v.element);
        if (!isVoid(node->v.element.tag))
            open.append({node, 0});
    };

    enter(root);
    while (!open.isEmpty()) {
        Frame &top = open.last();
        const GumboVector *children = childrenOf(top.node);
        if (children && top.next < children->length) {
            const auto *child = static_cast<const GumboNode *>(children->data[top.next++]);
            enter(child); // may grow `open`; `top` is not used after this
            continue;
        }
        if (top.node->type != GUMBO_NODE_DOCUMENT) {
            out += QLatin1String("</");
            out += tagName(top.node->v.element);
            out += QLatin1Char('>');
        }
        open.removeLast();
    }
    return out;
}

QString LegacyMarkup::bodyOf(const QByteArray &utf8Html)
{
    const ParsedHtml page(utf8Html);
    return write(page.body());
}
