#include "platform/SecretStore.h"

#include <qt6keychain/keychain.h>

namespace {
void answerWhenFinished(QKeychain::Job *job, SecretStore::Answer answer)
{
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [answer = std::move(answer)](QKeychain::Job *finished) {
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
    auto *job = new QKeychain::ReadPasswordJob(m_service, this);
    job->setKey(key);
    job->setInsecureFallback(false);
    answerWhenFinished(job, std::move(answer));
    job->start();
}

void SecretStore::write(const QString &key, const QString &value, Answer answer)
{
    auto *job = new QKeychain::WritePasswordJob(m_service, this);
    job->setKey(key);
    job->setInsecureFallback(false);
    job->setTextData(value);
    answerWhenFinished(job, std::move(answer));
    job->start();
}

void SecretStore::remove(const QString &key, Answer answer)
{
    auto *job = new QKeychain::DeletePasswordJob(m_service, this);
    job->setKey(key);
    job->setInsecureFallback(false);
    answerWhenFinished(job, std::move(answer));
    job->start();
}
