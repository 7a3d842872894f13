// Any bytes as a page: writing its body back out must neither crash nor hang, and the
// markup written must parse again to the same markup.
#include "web/LegacyMarkup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString body = LegacyMarkup::bodyOf(page);
    if (body.isEmpty())
        return 0;
    // The written markup is what the note table is read from; reading it again must not
    // crash either.
    (void)LegacyMarkup::bodyOf(body.toUtf8());
    return 0;
}
