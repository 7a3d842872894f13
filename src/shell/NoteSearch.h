#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The words typed in the search field, matched against a note's file name and text: a
// note matches when it holds every word, without regard to case or accents.
class NoteSearch final {
public:
    explicit NoteSearch(const QString &typed = QString());

    // Nothing typed but blanks: every note matches.
    bool isEmpty() const { return m_words.isEmpty(); }
    // Whether a text already brought to its search form (searchForm) holds every word.
    bool matches(const QByteArray &searchForm) const;

    // The form texts are compared in: accents taken off (decomposed, combining marks
    // dropped) and case folded, so "Crème" and "CREME" are the same word. It is kept as
    // UTF-8, half the size of a QString for most notes: the whole text of every note in the
    // folder is held in this form. A UTF-8 word can only match at a character's start.
    static QByteArray searchForm(const QString &text);

private:
    QList<QByteArray> m_words;
};
