#include "SyncDecision.h"

#include <QCryptographicHash>

SyncDecision::Action SyncDecision::decide(const std::optional<QByteArray> &local, const Site &site,
                                          const std::optional<Base> &base)
{
    // A deleted note and one the site never had are the same thing to the desktop.
    const bool siteLive = site.state == Site::State::Live;
    if (!base) {
        if (!local)
            return siteLive ? Action::Download : Action::Nothing;
        if (!siteLive)
            return Action::Upload;
        return *local == site.digest ? Action::Link : Action::Conflict;
    }
    const bool localChanged = local && *local != base->digest;
    const bool siteChanged = siteLive && site.digest != base->digest;
    if (!local) {
        if (!siteLive)
            return Action::ForgetBase;
        return siteChanged ? Action::RestoreLocally : Action::DeleteOnSite;
    }
    if (!siteLive)
        return localChanged ? Action::RestoreOnSite : Action::DeleteLocal;
    if (!localChanged && !siteChanged)
        return site.version == base->version ? Action::Nothing : Action::Link;
    if (!siteChanged)
        return Action::Upload;
    if (!localChanged)
        return Action::Download;
    return *local == site.digest ? Action::Link : Action::Conflict;
}

QByteArray SyncDecision::digest(const QByteArray &utf8)
{
    return QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex();
}

QString SyncDecision::name(Action action)
{
    switch (action) {
    case Action::Nothing:
        return QStringLiteral("nothing");
    case Action::Link:
        return QStringLiteral("link");
    case Action::Upload:
        return QStringLiteral("upload");
    case Action::Download:
        return QStringLiteral("download");
    case Action::DeleteLocal:
        return QStringLiteral("delete local");
    case Action::DeleteOnSite:
        return QStringLiteral("delete on site");
    case Action::RestoreOnSite:
        return QStringLiteral("restore on site");
    case Action::RestoreLocally:
        return QStringLiteral("restore locally");
    case Action::Conflict:
        return QStringLiteral("conflict");
    case Action::ForgetBase:
        return QStringLiteral("forget base");
    }
    return {};
}
