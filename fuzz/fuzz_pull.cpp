// Any bytes as the site's answer page: the note table and the names read from it must
// never crash, and every name let through must be a plain file name.
#include "sync/NoteTable.h"
#include "sync/PulledName.h"
#include "web/HtmlElement.h"
#include "web/ParsedHtml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

static void checkName(const QString &pageName)
{
    (void)PulledName::shown(pageName);
    const std::optional<QString> name = PulledName::fileName(pageName);
    if (!name)
        return;
    if (name->contains(QLatin1Char('/')) || name->contains(QLatin1Char('\\')) ||
        *name == QStringLiteral(".pv") || name->toUtf8().size() > PulledName::kMaximumBytes ||
        !name->endsWith(QStringLiteral(".pv"), Qt::CaseInsensitive))
        abort();
    for (const QChar c : *name)
        if (c.unicode() < 0x20)
            abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const ParsedHtml parsed(page);
    const NoteTable table{HtmlElement(parsed.document())};
    for (const PulledNote &note : table.notes())
        checkName(note.name);
    checkName(QString::fromUtf8(page));
    return 0;
}
