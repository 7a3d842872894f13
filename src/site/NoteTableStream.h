#pragma once

#include "site/HttpMessage.h"

#include <QString>

class Database;

// The note table of a pull, sent a few notes at a time as the client reads them: a page of
// a whole account never sits in memory, however many notes of a megabyte it holds. Each
// piece is read in its own query, by name after the last one sent, so no transaction stays
// open while a slow client reads.
class NoteTableStream final : public BodySource {
public:
    // `before` and `after` are the page around the table's rows.
    NoteTableStream(Database *database, qint64 accountId, QByteArray before, QByteArray after)
        : m_database(database), m_accountId(accountId), m_before(std::move(before)),
          m_after(std::move(after))
    {}

    QByteArray next() override;
    bool failed() const override { return m_failed; }
    // One note's two rows, name then data, each value after its head and a colon.
    static QString rows(const QString &name, const QString &text);

private:
    Database *m_database;
    qint64 m_accountId;
    QByteArray m_before;
    QByteArray m_after;
    QString m_last; // the name of the last note sent
    bool m_started = false;
    bool m_ended = false;
    bool m_failed = false;
};
