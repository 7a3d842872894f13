#include "NoteSearch.h"

#include <QRegularExpression>
#include <algorithm>

NoteSearch::NoteSearch(const QString &typed)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    m_words = searchForm(typed).split(blanks, Qt::SkipEmptyParts);
    // Longest first: the rarest word usually rules a note out soonest.
    std::sort(m_words.begin(), m_words.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
}

bool NoteSearch::matches(const QString &searchForm) const
{
    for (const QString &word : m_words) {
        if (!searchForm.contains(word))
            return false;
    }
    return true;
}

QString NoteSearch::searchForm(const QString &text)
{
    // Most notes are plain ASCII, which has no accents to take off: one pass, not four.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLower();
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
    return stripped.toCaseFolded();
}
