#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace QKeychain {
class Job;
}

// The desktop's secret store (Secret Service or KWallet on freedesktop systems, the
// credential store on Windows), for the few secrets the program keeps: a sync device's token.
// Every call answers later through its callback; nothing waits for the store. Nothing is ever
// written in the clear when no store answers.
class SecretStore final : public QObject {
    Q_OBJECT
public:
    enum class Status {
        Done,        // read, written or removed
        NotFound,    // the store works and holds nothing under the key
        Unavailable, // no store answered, or it refused: `text` says why
    };
    // The value read (on Done of a read) or why the store could not be used.
    using Answer = std::function<void(Status status, const QString &text)>;

    explicit SecretStore(QString service, QObject *parent = nullptr);

    void read(const QString &key, Answer answer);
    void write(const QString &key, const QString &value, Answer answer);
    void remove(const QString &key, Answer answer);

private:
    // Every job of the store alike: never a plain-text fallback, answered once.
    void run(QKeychain::Job *job, const QString &key, Answer answer);

    QString m_service;
};
