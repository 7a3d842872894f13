#include "SettingsStore.h"

#include "SettingValues.h"

#include <QSettings>
#include <QStringList>

namespace {

QString entryName(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// Hand-edited entries may hold values the ini reader turns into other types.
QString asText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.canConvert<QString>())
        return value.toString();
    return {};
}

} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Pinvelle"),
                                             QStringLiteral("Pinvelle")))
{}

SettingsStore::SettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    const QVariant value = m_settings->value(entryName(section, key));
    if (!value.isValid())
        return defaultValue;
    return asText(value);
}

QString SettingsStore::read(const SettingKey &setting) const
{
    return read(QString::fromLatin1(setting.section), QString::fromLatin1(setting.key),
                QString::fromLatin1(setting.defaultValue));
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    return m_settings->contains(entryName(section, key));
}

bool SettingsStore::save(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(entryName(section, key), value);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

bool SettingsStore::save(const SettingKey &setting, const QString &value)
{
    return save(QString::fromLatin1(setting.section), QString::fromLatin1(setting.key), value);
}

int SettingsStore::readTick(const SettingKey &setting) const
{
    if (const auto value = SettingValues::tick(read(setting)))
        return *value;
    return SettingValues::tick(QString::fromLatin1(setting.defaultValue)).value_or(0);
}

bool SettingsStore::readFlag(const SettingKey &setting) const
{
    if (const auto value = SettingValues::flag(read(setting)))
        return *value;
    return SettingValues::flag(QString::fromLatin1(setting.defaultValue)).value_or(false);
}

QString SettingsStore::location() const
{
    return m_settings->fileName();
}
