#include "site/FormData.h"

#include <QStringDecoder>

namespace {
int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

std::optional<QString> decoded(QByteArrayView part)
{
    QByteArray bytes;
    bytes.reserve(part.size());
    for (qsizetype i = 0; i < part.size(); ++i) {
        const char ch = part[i];
        if (ch == '+') {
            bytes += ' ';
        } else if (ch == '%' && i + 2 < part.size() && hexValue(part[i + 1]) >= 0 &&
                   hexValue(part[i + 2]) >= 0) {
            bytes += static_cast<char>(hexValue(part[i + 1]) * 16 + hexValue(part[i + 2]));
            i += 2;
        } else {
            bytes += ch;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}
} // namespace

std::optional<FormData> FormData::parse(QByteArrayView encoded)
{
    FormData data;
    qsizetype start = 0;
    while (start <= encoded.size()) {
        qsizetype end = encoded.indexOf('&', start);
        if (end < 0)
            end = encoded.size();
        const QByteArrayView field = encoded.sliced(start, end - start);
        if (!field.isEmpty()) {
            const qsizetype equals = field.indexOf('=');
            const std::optional<QString> name = decoded(equals < 0 ? field : field.first(equals));
            const std::optional<QString> value =
                equals < 0 ? QString() : decoded(field.sliced(equals + 1));
            if (!name || !value)
                return std::nullopt;
            data.m_fields.append({*name, *value});
        }
        start = end + 1;
    }
    return data;
}

bool FormData::contains(const QString &name) const
{
    for (const auto &field : m_fields) {
        if (field.first == name)
            return true;
    }
    return false;
}

QString FormData::value(const QString &name) const
{
    for (const auto &field : m_fields) {
        if (field.first == name)
            return field.second;
    }
    return {};
}
