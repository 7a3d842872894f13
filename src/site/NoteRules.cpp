#include "site/NoteRules.h"

#include <QCoreApplication>

namespace {
// What Windows file names cannot hold, besides control characters.
const QString kForbidden = QStringLiteral("/\\:*?\"<>|");

QString tr(const char *text)
{
    return QCoreApplication::translate("NoteRules", text);
}
} // namespace

QString NoteRules::nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return tr("the note has no name");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return tr("the name is not a file name");
    if (name.toUtf8().size() > kMaximumNameBytes)
        return tr("the name is longer than %1 bytes").arg(kMaximumNameBytes);
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F || ch.category() == QChar::Other_Control)
            return tr("the name holds a control character");
        if (kForbidden.contains(ch))
            return tr("the name holds \"%1\", which a file name cannot hold").arg(ch);
        if (ch == QChar::ReplacementCharacter)
            return tr("the name holds a character that was lost on the way");
    }
    return {};
}

QString NoteRules::textProblem(const QString &text)
{
    if (text.toUtf8().size() > kMaximumTextBytes)
        return tr("the text is longer than %1 bytes").arg(kMaximumTextBytes);
    // PostgreSQL's text cannot hold a NUL: refused the same way whatever the database.
    if (text.contains(QChar(0)))
        return tr("the text holds a NUL character");
    return {};
}
