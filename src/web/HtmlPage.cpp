#include "web/HtmlPage.h"

#include "web/GumboChildren.h"
#include "web/ParsedHtml.h"

#include <gumbo.h>

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QVector>

namespace {

// ---- decoding --------------------------------------------------------------------------------

QByteArray charsetOf(const QByteArray &contentType)
{
    const QRegularExpression pattern(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:\\-]+)"),
                                     QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(QString::fromLatin1(contentType));
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

// Windows-1252, which pages labelled ISO-8859-1 or ASCII are in practice.
QString fromWindows1252(const QByteArray &bytes)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(high[byte - 0x80]) : QChar(byte);
    }
    return text;
}

bool isWindows1252Label(const QByteArray &label)
{
    static const QList<QByteArray> labels{"windows-1252", "cp1252",     "x-cp1252", "iso-8859-1",
                                          "iso8859-1",    "latin1",     "l1",       "us-ascii",
                                          "ascii",        "iso_8859-1", "cp819",    "ibm819"};
    return labels.contains(label);
}

std::optional<QString> decodeAs(const QByteArray &bytes, const QByteArray &label)
{
    if (label.isEmpty())
        return std::nullopt;
    if (isWindows1252Label(label))
        return fromWindows1252(bytes);
    QStringDecoder decoder(label.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return decoder.decode(bytes);
}

// ---- the parse tree ---------------------------------------------------------------------------

QString attribute(const GumboNode *node, const char *name)
{
    const GumboAttribute *found = gumbo_get_attribute(&node->v.element.attributes, name);
    return found ? QString::fromUtf8(found->value) : QString();
}

std::optional<QString> optionalAttribute(const GumboNode *node, const char *name)
{
    const GumboAttribute *found = gumbo_get_attribute(&node->v.element.attributes, name);
    return found ? std::optional<QString>(QString::fromUtf8(found->value)) : std::nullopt;
}

bool hasAttribute(const GumboNode *node, const char *name)
{
    return gumbo_get_attribute(&node->v.element.attributes, name) != nullptr;
}

bool isElement(const GumboNode *node, GumboTag tag)
{
    return node && node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == tag &&
           node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

const GumboNode *childAt(const GumboVector *children, unsigned int i)
{
    return static_cast<const GumboNode *>(children->data[i]);
}

// Every text below `node`, in order, walked without recursion.
QString textContent(const GumboNode *node)
{
    QString text;
    QVector<std::pair<const GumboNode *, unsigned int>> stack{{node, 0}};
    while (!stack.isEmpty()) {
        auto &[current, next] = stack.last();
        const GumboVector *children = childrenOf(current);
        if (!children || next >= children->length) {
            stack.removeLast();
            continue;
        }
        const GumboNode *child = childAt(children, next++);
        if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE ||
            child->type == GUMBO_NODE_CDATA)
            text += QString::fromUtf8(child->v.text.text);
        else if (child->type == GUMBO_NODE_ELEMENT)
            stack.append({child, 0});
    }
    return text;
}

QString collapsed(const QString &text)
{
    return text.simplified();
}

QString inputType(const GumboNode *node)
{
    static const QStringList known{
        QStringLiteral("hidden"),   QStringLiteral("text"),  QStringLiteral("search"),
        QStringLiteral("tel"),      QStringLiteral("url"),   QStringLiteral("email"),
        QStringLiteral("password"), QStringLiteral("date"),  QStringLiteral("month"),
        QStringLiteral("week"),     QStringLiteral("time"),  QStringLiteral("datetime-local"),
        QStringLiteral("number"),   QStringLiteral("range"), QStringLiteral("color"),
        QStringLiteral("checkbox"), QStringLiteral("radio"), QStringLiteral("file"),
        QStringLiteral("submit"),   QStringLiteral("image"), QStringLiteral("reset"),
        QStringLiteral("button")};
    const QString type = attribute(node, "type").trimmed().toLower();
    return known.contains(type) ? type : QStringLiteral("text");
}

QList<FormOption> optionsOf(const GumboNode *select)
{
    QList<FormOption> options;
    // Options sit in the select directly or one level down in an optgroup.
    auto add = [&](const GumboNode *option, bool groupDisabled) {
        FormOption entry;
        entry.label = collapsed(textContent(option));
        entry.value = hasAttribute(option, "value") ? attribute(option, "value") : entry.label;
        entry.selected = hasAttribute(option, "selected");
        entry.disabled = groupDisabled || hasAttribute(option, "disabled");
        options.append(entry);
    };
    const GumboVector *children = childrenOf(select);
    for (unsigned int i = 0; children && i < children->length; ++i) {
        const GumboNode *child = childAt(children, i);
        if (isElement(child, GUMBO_TAG_OPTION)) {
            add(child, false);
        } else if (isElement(child, GUMBO_TAG_OPTGROUP)) {
            const bool disabled = hasAttribute(child, "disabled");
            const GumboVector *grouped = childrenOf(child);
            for (unsigned int j = 0; j < grouped->length; ++j) {
                if (isElement(childAt(grouped, j), GUMBO_TAG_OPTION))
                    add(childAt(grouped, j), disabled);
            }
        }
    }
    return options;
}

// A single-choice list shows, and sends, exactly one option: the last one marked selected,
// else the first one that is not disabled.
void settleSingleChoice(QList<FormOption> &options)
{
    int chosen = -1;
    for (int i = 0; i < options.size(); ++i) {
        if (options.at(i).selected)
            chosen = i;
    }
    for (int i = 0; chosen < 0 && i < options.size(); ++i) {
        if (!options.at(i).disabled)
            chosen = i;
    }
    for (int i = 0; i < options.size(); ++i)
        options[i].selected = i == chosen;
}

FormControl controlOf(const GumboNode *node, bool disabledByFieldset)
{
    FormControl control;
    control.tag = QString::fromLatin1(gumbo_normalized_tagname(node->v.element.tag));
    control.name = attribute(node, "name");
    control.id = attribute(node, "id");
    control.disabled = disabledByFieldset || hasAttribute(node, "disabled");
    control.hasValueAttribute = hasAttribute(node, "value");
    switch (node->v.element.tag) {
    case GUMBO_TAG_INPUT:
        control.type = inputType(node);
        control.value = attribute(node, "value");
        if ((control.type == QLatin1String("checkbox") || control.type == QLatin1String("radio")) &&
            !control.hasValueAttribute)
            control.value = QStringLiteral("on");
        if (control.type == QLatin1String("file"))
            control.value.clear();
        control.checked = hasAttribute(node, "checked");
        break;
    case GUMBO_TAG_BUTTON: {
        const QString type = attribute(node, "type").trimmed().toLower();
        control.type = (type == QLatin1String("reset") || type == QLatin1String("button"))
                           ? type
                           : QStringLiteral("submit");
        control.value = attribute(node, "value");
        break;
    }
    case GUMBO_TAG_SELECT:
        control.type = hasAttribute(node, "multiple") ? QStringLiteral("select-multiple")
                                                      : QStringLiteral("select-one");
        control.options = optionsOf(node);
        if (control.type == QLatin1String("select-one"))
            settleSingleChoice(control.options);
        for (FormOption &option : control.options)
            option.defaultSelected = option.selected;
        break;
    case GUMBO_TAG_TEXTAREA:
        control.type = QStringLiteral("textarea");
        control.value = textContent(node);
        break;
    default:
        control.type = control.tag;
        break;
    }
    if (control.type == QLatin1String("submit") || control.type == QLatin1String("image")) {
        control.formAction = optionalAttribute(node, "formaction");
        control.formMethod = optionalAttribute(node, "formmethod");
        control.formEnctype = optionalAttribute(node, "formenctype");
    }
    control.defaultValue = control.value;
    control.defaultChecked = control.checked;
    return control;
}

bool isListed(const GumboNode *node)
{
    if (node->type != GUMBO_NODE_ELEMENT || node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML)
        return false;
    switch (node->v.element.tag) {
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_BUTTON:
    case GUMBO_TAG_SELECT:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_OUTPUT:
        return true;
    default:
        return false;
    }
}

struct Listed {
    const GumboNode *node;
    const GumboNode *ancestorForm;
    bool disabledByFieldset;
};

struct Walk {
    QString title;
    QString baseHref;
    bool baseFound = false;
    const GumboNode *firstForm = nullptr;
    QHash<QString, const GumboNode *> byId; // first element with each id
    QList<Listed> listed;
};

Walk walk(const GumboNode *document)
{
    Walk result;
    bool titleFound = false;
    struct Frame {
        const GumboNode *node;
        unsigned int next;
        const GumboNode *form;   // the form element around the children
        bool disabled;           // children lie in a disabled fieldset
        bool outerDisabled;      // what held around this node itself
        const GumboNode *legend; // a disabled fieldset's first legend, which stays enabled
    };
    QVector<Frame> stack{{document, 0, nullptr, false, false, nullptr}};
    while (!stack.isEmpty()) {
        Frame &top = stack.last();
        const GumboVector *children = childrenOf(top.node);
        if (!children || top.next >= children->length) {
            stack.removeLast();
            continue;
        }
        const GumboNode *node = childAt(children, top.next++);
        if (node->type != GUMBO_NODE_ELEMENT)
            continue;
        const bool inherited = node == top.legend ? top.outerDisabled : top.disabled;
        const GumboNode *form = top.form;

        const QString id = attribute(node, "id");
        if (!id.isEmpty() && !result.byId.contains(id))
            result.byId.insert(id, node);
        if (isElement(node, GUMBO_TAG_TITLE) && !titleFound) {
            titleFound = true;
            result.title = collapsed(textContent(node));
        } else if (isElement(node, GUMBO_TAG_BASE) && !result.baseFound &&
                   hasAttribute(node, "href")) {
            result.baseFound = true;
            result.baseHref = attribute(node, "href");
        } else if (isElement(node, GUMBO_TAG_FORM)) {
            if (!result.firstForm)
                result.firstForm = node;
            form = node;
        }
        if (isListed(node))
            result.listed.append({node, form, inherited});

        const bool disabledFieldset =
            isElement(node, GUMBO_TAG_FIELDSET) && hasAttribute(node, "disabled");
        const GumboNode *legend = nullptr;
        if (disabledFieldset) {
            const GumboVector *own = childrenOf(node);
            for (unsigned int i = 0; i < own->length && !legend; ++i) {
                if (isElement(childAt(own, i), GUMBO_TAG_LEGEND))
                    legend = childAt(own, i);
            }
        }
        stack.append({node, 0, form, inherited || disabledFieldset, inherited, legend});
    }
    return result;
}

} // namespace

QString HtmlPage::decode(const QByteArray &bytes, const QByteArray &contentType)
{
    if (auto text = decodeAs(bytes, charsetOf(contentType)))
        return *text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return *decodeAs(bytes.mid(2), "utf-16le");
    if (bytes.startsWith("\xFE\xFF"))
        return *decodeAs(bytes.mid(2), "utf-16be");
    const QRegularExpression meta(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9_.:\\-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = meta.match(QString::fromLatin1(bytes.left(1024)));
    if (match.hasMatch()) {
        const QByteArray label = match.captured(1).toLatin1().toLower();
        // A page that reached us as bytes cannot really be in UTF-16 whatever it says.
        if (!label.startsWith("utf-16")) {
            if (auto text = decodeAs(bytes, label))
                return *text;
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? fromWindows1252(bytes) : text;
}

HtmlPage HtmlPage::fromBytes(const QByteArray &bytes, const QByteArray &contentType,
                             const QUrl &url)
{
    return fromText(decode(bytes, contentType), url);
}

HtmlElement HtmlPage::document() const
{
    return HtmlElement(m_parsed ? m_parsed->document() : nullptr);
}

HtmlElement HtmlPage::body() const
{
    return HtmlElement(m_parsed ? m_parsed->body() : nullptr);
}

HtmlPage HtmlPage::blank(const QUrl &url)
{
    HtmlPage page;
    page.m_url = url;
    return page;
}

HtmlPage HtmlPage::fromText(const QString &html, const QUrl &url)
{
    HtmlPage page;
    page.m_url = url;
    page.m_parsed = std::make_shared<const ParsedHtml>(html.toUtf8());

    const Walk found = walk(page.m_parsed->document());
    page.m_title = found.title;
    if (!found.firstForm)
        return page;

    QUrl base = url;
    if (found.baseFound) {
        const QUrl href = url.resolved(QUrl(found.baseHref.trimmed()));
        if (href.isValid())
            base = href;
    }
    QList<FormControl> controls;
    for (const Listed &item : found.listed) {
        const GumboNode *owner = item.ancestorForm;
        if (hasAttribute(item.node, "form")) {
            const GumboNode *named = found.byId.value(attribute(item.node, "form"));
            owner = isElement(named, GUMBO_TAG_FORM) ? named : nullptr;
        }
        if (owner == found.firstForm)
            controls.append(controlOf(item.node, item.disabledByFieldset));
    }
    const GumboNode *form = found.firstForm;
    page.m_form.emplace(url, base, optionalAttribute(form, "action"), attribute(form, "method"),
                        attribute(form, "enctype"), std::move(controls));
    return page;
}
