#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

Autostart::Autostart(QString source, QString target)
    : m_source(std::move(source)), m_target(std::move(target))
{}

Autostart Autostart::forWindows(const QString &os, const QString &userProfile)
{
    if (os == QLatin1String("Windows_NT"))
        return {userProfile + QStringLiteral("\\Start Menu\\Programs\\Pinvelle\\Pinvelle 2.1.LNK"),
                userProfile + QStringLiteral("\\Start Menu\\Programs\\StartUp\\Pinvelle 2.1.LNK")};
    return {QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Pinvelle\\Pinvelle 2.1.LNK"),
            QStringLiteral("c:\\WINDOWS\\Start Menu\\Programs\\StartUp\\Pinvelle 2.1.LNK")};
}

bool Autostart::install() const
{
    if (m_source.isEmpty() || m_target.isEmpty())
        return false;
    QFile in(m_source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;

    // A fresh account may not have the folder yet.
    if (!QDir().mkpath(QFileInfo(m_target).absolutePath()))
        return false;
    // Written aside and renamed, so a failed copy leaves an existing launcher whole.
    QSaveFile out(m_target);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
