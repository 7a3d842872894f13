#pragma once

#include "web/HtmlElement.h"
#include "web/HtmlForm.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class ParsedHtml;

// What the browser keeps of a loaded page: its address, title, first form and the parsed page
// itself, to be read by its elements. A page that failed to load is empty. Copies share the
// parse tree, which is never changed once built.
class HtmlPage final {
public:
    HtmlPage() = default;

    // Decodes `bytes` (the charset from `contentType`, else a byte order mark, else a <meta>
    // near the top, else UTF-8, falling back to Windows-1252 when that is not valid) and
    // parses them as the page found at `url`.
    static HtmlPage fromBytes(const QByteArray &bytes, const QByteArray &contentType,
                              const QUrl &url);
    static HtmlPage fromText(const QString &html, const QUrl &url);
    // What a failed load leaves: no markup, no form.
    static HtmlPage blank(const QUrl &url);

    // The text of a page whose bytes came with `contentType`.
    static QString decode(const QByteArray &bytes, const QByteArray &contentType);

    const QUrl &url() const { return m_url; }
    const QString &title() const { return m_title; }
    // The whole page and its body element; null views for a page that failed to load (and
    // the body for a frameset page).
    HtmlElement document() const;
    HtmlElement body() const;
    bool hasForm() const { return m_form.has_value(); }
    HtmlForm *form() { return m_form ? &*m_form : nullptr; }
    const HtmlForm *form() const { return m_form ? &*m_form : nullptr; }

private:
    QUrl m_url;
    QString m_title;
    std::shared_ptr<const ParsedHtml> m_parsed;
    std::optional<HtmlForm> m_form;
};
