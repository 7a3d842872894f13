#include "site/Html.h"

namespace {
const char kStyle[] = R"(body{font-family:sans-serif;max-width:46em;margin:0 auto;padding:1em;
line-height:1.4;color:#1b1b1b;background:#f7f7f2}
h1{font-size:1.4em;color:#002e80}h2{font-size:1.1em;margin-top:1.6em}
label{display:block;margin:.6em 0 .2em}
input[type=text],input[type=email],input[type=password],textarea{width:100%;box-sizing:border-box;
padding:.4em;font-size:1em}
input[type=submit],button{margin:.6em .4em .2em 0;padding:.4em 1em;font-size:1em}
.result{font-weight:bold;color:#8a1c00}
table{border-collapse:collapse;width:100%}td,th{border:1px solid #ccc;padding:.3em;
vertical-align:top;text-align:left}
.note{border:1px solid #ccc;background:#fff;padding:.6em;margin:.8em 0}
.note pre{white-space:pre-wrap;word-break:break-word;margin:.4em 0}
.note h2{margin-top:0}.meta{color:#555;font-size:.9em}form.inline{display:inline}
a.button{display:inline-block;padding:.5em 1em;margin:.3em .4em .3em 0;border:1px solid #888;
border-radius:.3em;background:#fff;color:#002e80;text-decoration:none}
form.edit textarea{min-height:50vh}form.edit input[type=submit]{min-height:2.8em;min-width:8em})";
} // namespace

QString Html::escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += ch;
        }
    }
    return out;
}

QString Html::quotedName(const QString &name)
{
    QString shown = name.left(80);
    for (QChar &ch : shown) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            ch = QLatin1Char('?');
    }
    return QStringLiteral("\"%1\"").arg(shown);
}

QString Html::page(const QString &siteName, const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, "
                          "initial-scale=1\">\n<title>%1 - %2</title>\n<style>%3</style>\n"
                          "</head>\n<body>\n%4</body></html>\n")
        .arg(escaped(title), escaped(siteName), QLatin1String(kStyle), body);
}
