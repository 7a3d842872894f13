// Any bytes as the settings file: reading every key must not crash, and a value saved
// afterwards must read back.
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path =
        QDir::tempPath() + QStringLiteral("/pinvelle-fuzz-settings-%1.ini").arg(getpid());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        abort();
    file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    file.close();
    {
        SettingsStore store(path);
        for (const SettingKey &key : {Keys::NotesOnTop, Keys::OpenAllNotes, Keys::RunMinimized,
                                      Keys::NoteFont, Keys::NoteColour, Keys::BorderThin,
                                      Keys::BorderFull, Keys::DoNotAskStartup, Keys::SyncSite}) {
            (void)store.read(key);
            (void)store.readTick(key);
            (void)store.readFlag(key);
        }
        const QString section = QString::fromLatin1(Keys::NoteSizeSection);
        (void)store.read(section, QStringLiteral("PinvelleQuill1.pv"), QString());
        if (!store.save(section, QStringLiteral("PinvelleQuill1.pv"), QStringLiteral("3600-4800")))
            return 0; // a settings file the store cannot rewrite is reported, not a fault
        if (store.read(section, QStringLiteral("PinvelleQuill1.pv"), QString()) !=
            QStringLiteral("3600-4800"))
            abort();
    }
    QFile::remove(path);
    return 0;
}
