#pragma once

#include <QString>
#include <QStringList>

// The words typed in the search field, matched against a note's file name and text: a
// note matches when it holds every word, without regard to case or accents.
class NoteSearch final {
public:
    explicit NoteSearch(const QString &typed = QString());

    // Nothing typed but blanks: every note matches.
    bool isEmpty() const { return m_words.isEmpty(); }
    // Whether a text already brought to its search form (searchForm) holds every word.
    bool matches(const QString &searchForm) const;

    // The form texts are compared in: accents taken off (decomposed, combining marks
    // dropped) and case folded, so "Crème" and "CREME" are the same word.
    static QString searchForm(const QString &text);

private:
    QStringList m_words;
};
