#include "NoteSearch.h"

#include <QRegularExpression>
#include <algorithm>

NoteSearch::NoteSearch(const QString &typed)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words = typed.split(blanks, Qt::SkipEmptyParts);
    for (const QString &word : words)
        m_words.append(searchForm(word));
    // Longest first: the rarest word usually rules a note out soonest.
    std::sort(m_words.begin(), m_words.end(),
              [](const QByteArray &a, const QByteArray &b) { return a.size() > b.size(); });
}

bool NoteSearch::matches(const QByteArray &searchForm) const
{
    for (const QByteArray &word : m_words) {
        if (!searchForm.contains(word))
            return false;
    }
    return true;
}

QByteArray NoteSearch::searchForm(const QString &text)
{
    // Most notes are plain ASCII, which has no accents to take off: one pass, not four.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1().toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString stripped;
    stripped.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            break;
        default:
            stripped.append(c);
        }
    }
    return stripped.toCaseFolded().toUtf8();
}
