#pragma once

#include "SettingKeys.h"

#include <QString>
#include <memory>

class QSettings;
class QTimer;

// The per-user key-value store of options and per-note state. Values are text; a read
// names a default that comes back only when the entry is missing, so an entry holding
// the empty string reads as the empty string. Every write is flushed at once, so it
// survives the process being killed; the folder that records the file's replacement is
// flushed within a second, so it also survives a power cut.
class SettingsStore final {
public:
    // The native per-user store of the application "Pinvelle".
    SettingsStore();
    // A store kept in the ini file at path; used where a private store is wanted.
    explicit SettingsStore(const QString &iniPath);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString read(const QString &section, const QString &key, const QString &defaultValue) const;
    QString read(const SettingKey &setting) const;
    bool contains(const QString &section, const QString &key) const;

    // Creates or overwrites the entry; false when the store could not be written.
    bool save(const QString &section, const QString &key, const QString &value);
    bool save(const SettingKey &setting, const QString &value);

    // A tick box entry as 0 or 1; the default when the stored text does not convert.
    int readTick(const SettingKey &setting) const;
    // A border entry as a truth value; the default when the stored text does not convert.
    bool readFlag(const SettingKey &setting) const;

    // Where the store lives, for the user and for tests.
    QString location() const;

private:
    // After a write: flushes the store's folder, at once or within a second.
    void written();

    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<QTimer> m_folderSync;
};
