#include "ShellRequest.h"

#include <QCoreApplication>

#include <array>
#include <utility>

namespace {

const std::array<std::pair<ShellRequest::Kind, QByteArray>, 4> kWords{{
    {ShellRequest::Kind::Show, "show"},
    {ShellRequest::Kind::NewNote, "new-note"},
    {ShellRequest::Kind::Open, "open"},
    {ShellRequest::Kind::Sync, "sync"},
}};

// Splits "word rest" at the first blank; rest is percent-decoded.
std::pair<QByteArray, QString> split(const QByteArray &line)
{
    const qsizetype blank = line.indexOf(' ');
    if (blank < 0)
        return {line, QString()};
    return {line.left(blank),
            QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(blank + 1)))};
}

} // namespace

QByteArray ShellRequest::encode() const
{
    for (const auto &[k, word] : kWords)
        if (k == kind)
            return word + ' ' + argument.toUtf8().toPercentEncoding();
    return {};
}

std::optional<ShellRequest> ShellRequest::decode(const QByteArray &line)
{
    const auto [word, argument] = split(line.trimmed());
    for (const auto &[kind, known] : kWords)
        if (known == word)
            return ShellRequest{kind, argument};
    return std::nullopt;
}

QByteArray ShellReply::encode() const
{
    return QByteArray(ok ? "0" : "1") + ' ' + message.toUtf8().toPercentEncoding();
}

ShellReply ShellReply::decode(const QByteArray &line)
{
    const auto [status, message] = split(line.trimmed());
    if (status == "0" || status == "1")
        return ShellReply{status == "0", message};
    return ShellReply{
        false, QCoreApplication::translate("ShellReply", "The running Pinvelle did not answer.")};
}
