#include "platform/SecretStore.h"

#include <qt6keychain/keychain.h>

#include <QPointer>

namespace {
// The job must outlive the store: the secret service's answer comes back into the job, even
// after whoever asked is gone, so the job deletes itself once answered and only then looks
// whether the store is still there to take the answer.
void answerWhenFinished(QKeychain::Job *job, const SecretStore *store, SecretStore::Answer answer)
{
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [answer = std::move(answer),
                      alive = QPointer<const SecretStore>(store)](QKeychain::Job *finished) {
                         if (!alive)
                             return;
                         switch (finished->error()) {
                         case QKeychain::NoError: {
                             const auto *read =
                                 qobject_cast<QKeychain::ReadPasswordJob *>(finished);
                             answer(SecretStore::Status::Done, read ? read->textData() : QString());
                             return;
                         }
                         case QKeychain::EntryNotFound:
                             answer(SecretStore::Status::NotFound, QString());
                             return;
                         default:
                             answer(SecretStore::Status::Unavailable, finished->errorString());
                         }
                     });
}
} // namespace

SecretStore::SecretStore(QString service, QObject *parent)
    : QObject(parent), m_service(std::move(service))
{}

void SecretStore::read(const QString &key, Answer answer)
{
    run(new QKeychain::ReadPasswordJob(m_service), key, std::move(answer));
}

void SecretStore::write(const QString &key, const QString &value, Answer answer)
{
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setTextData(value);
    run(job, key, std::move(answer));
}

void SecretStore::remove(const QString &key, Answer answer)
{
    run(new QKeychain::DeletePasswordJob(m_service), key, std::move(answer));
}

void SecretStore::run(QKeychain::Job *job, const QString &key, Answer answer)
{
    job->setKey(key);
    job->setInsecureFallback(false);
    answerWhenFinished(job, this, std::move(answer));
    job->start();
}
