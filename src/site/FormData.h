#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The fields of an application/x-www-form-urlencoded text: a form body or a query string.
class FormData final {
public:
    // Splits at "&", the name from the value at the first "=", "+" read as a blank and "%XX"
    // as a byte; a "%" without two hex digits stays as it is. Nothing when the decoded bytes
    // are not UTF-8: a browser never sends that, and a name made of lost characters is no name.
    static std::optional<FormData> parse(QByteArrayView encoded);

    bool contains(const QString &name) const;
    // The first field of that name, or empty.
    QString value(const QString &name) const;
    const QList<std::pair<QString, QString>> &fields() const { return m_fields; }

private:
    QList<std::pair<QString, QString>> m_fields;
};
