#include "SaveAsName.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace SaveAsName {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SaveAsName", text);
}

// Notes folders may be shared with Windows, so its rules apply everywhere.
constexpr char kForbidden[] = "<>:\"|?*";
constexpr int kMaxNameBytes = 255;

bool isDeviceName(const QString &name)
{
    static const QRegularExpression devices(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return devices.match(name).hasMatch();
}

} // namespace

QString problem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return tr("Please type a name for the note.");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return tr("A note's name can not contain / or \\.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return tr("\"%1\" can not be used as a note's name.").arg(name);
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || QLatin1String(kForbidden).contains(c))
            return tr("A note's name can not contain any of < > : \" | ? * or control "
                      "characters.");
    }
    if (name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.')))
        return tr("A note's name can not end with a space or a dot.");
    if (isDeviceName(name))
        return tr("\"%1\" is reserved for a device and can not be used as a note's name.")
            .arg(name);
    if (name.toUtf8().size() > kMaxNameBytes)
        return tr("The name is too long for a file.");
    return {};
}

} // namespace SaveAsName
