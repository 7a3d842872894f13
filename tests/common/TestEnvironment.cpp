#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {
TestEnvironment *g_instance = nullptr;
}

TestEnvironment::TestEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    g_instance = this;
}

TestEnvironment *TestEnvironment::instance()
{
    return g_instance;
}

QString TestEnvironment::settingsFile() const
{
    return configHome() + QStringLiteral("/Pinvelle/Pinvelle.conf");
}

void TestEnvironment::clearSettings() const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pinvelle"),
                       QStringLiteral("Pinvelle"));
    settings.clear();
    settings.sync();
}

void TestEnvironment::clearTrash() const
{
    QDir(dataHome() + QStringLiteral("/Trash")).removeRecursively();
}

QList<QByteArray> TestEnvironment::trashed() const
{
    QList<QByteArray> contents;
    const QDir files(dataHome() + QStringLiteral("/Trash/files"));
    for (const QString &name : files.entryList(QDir::Files)) {
        QFile file(files.filePath(name));
        contents << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return contents;
}
