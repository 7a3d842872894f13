// Any bytes as a form body or a query string sent to the notes site: the parser must never
// crash, what it reads must survive encoding and reading again unchanged, and a note name
// the site accepts must be a plain file name.
#include "site/FormData.h"
#include "site/NoteRules.h"

#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

static QByteArray encoded(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<FormData> form = FormData::parse(input);
    if (!form)
        return 0;
    QByteArray again;
    for (const auto &[name, value] : form->fields()) {
        again += (again.isEmpty() ? "" : "&") + encoded(name) + '=' + encoded(value);
        if (!form->contains(name))
            abort();
        if (NoteRules::nameProblem(value).isEmpty()) {
            if (value.contains(QLatin1Char('/')) || value.contains(QLatin1Char('\\')) ||
                value == QLatin1String("..") || value.toUtf8().size() > 255)
                abort();
            for (const QChar c : value)
                if (c.unicode() < 0x20)
                    abort();
        }
    }
    const std::optional<FormData> reread = FormData::parse(again);
    if (!reread || reread->fields() != form->fields())
        abort();
    return 0;
}
