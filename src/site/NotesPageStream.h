#pragma once

#include "site/HttpMessage.h"

#include <QString>

class Database;

// The notes page's sections, a few notes at a time as the browser reads them: each note with
// its text and its kept versions (their first words), then the deleted notes whose versions
// are kept. Each piece is read in its own queries, by name after the last one sent.
class NotesPageStream final : public BodySource {
public:
    // `state` goes into every button's form; `before` and `after` are the page around.
    NotesPageStream(Database *database, qint64 accountId, QString state, QByteArray before,
                    QByteArray after)
        : m_database(database), m_accountId(accountId), m_state(std::move(state)),
          m_before(std::move(before)), m_after(std::move(after))
    {}

    QByteArray next() override;
    bool failed() const override { return m_failed; }

    // A one-button form that posts `action` with `field`=`value` and the page's state.
    static QString button(const QString &state, const QString &action, const QString &field,
                          const QString &value, const QString &caption);
    // A time as the page shows it.
    static QString when(qint64 msSinceEpoch);

private:
    enum class Part { Before, Notes, Deleted, End };
    QString versionList(const QString &name, bool *failed) const;

    Database *m_database;
    qint64 m_accountId;
    QString m_state;
    QByteArray m_before;
    QByteArray m_after;
    Part m_part = Part::Before;
    QString m_last; // the name of the last note sent in this part
    bool m_failed = false;
};
