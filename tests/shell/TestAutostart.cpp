#include "TestAutostart.h"

#include "TestEnvironment.h"
#include "Unprivileged.h"
#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestAutostart::windowsPaths_data()
{
    QTest::addColumn<QString>("os");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::newRow("NT family") << "Windows_NT"
                               << "C:\\Users\\ann"
                               << "C:\\Users\\ann\\Start Menu\\Programs\\Pinvelle\\Pinvelle 2.1.LNK"
                               << "C:\\Users\\ann\\Start Menu\\Programs\\StartUp\\Pinvelle 2.1.LNK";
    const QString oldSource = "C:\\WINDOWS\\Start Menu\\Programs\\Pinvelle\\Pinvelle 2.1.LNK";
    const QString oldTarget = "c:\\WINDOWS\\Start Menu\\Programs\\StartUp\\Pinvelle 2.1.LNK";
    // Only the exact spelling names the NT family; the profile is then not used.
    QTest::newRow("other case") << "WINDOWS_NT"
                                << "C:\\Users\\ann" << oldSource << oldTarget;
    QTest::newRow("no os") << ""
                           << "C:\\Users\\ann" << oldSource << oldTarget;
    QTest::newRow("NT without profile") << "Windows_NT"
                                        << ""
                                        << "\\Start Menu\\Programs\\Pinvelle\\Pinvelle 2.1.LNK"
                                        << "\\Start Menu\\Programs\\StartUp\\Pinvelle 2.1.LNK";
}

void TestAutostart::windowsPaths()
{
    QFETCH(QString, os);
    QFETCH(QString, profile);
    const Autostart autostart = Autostart::forWindows(os, profile);
    QTEST(autostart.source(), "source");
    QTEST(autostart.target(), "target");
}

void TestAutostart::copiesIntoANewFolder()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("pinvelle.desktop"));
    const QByteArray launcher = "[Desktop Entry]\nType=Application\nExec=pinvelle\n";
    QVERIFY(writeFile(source, launcher));
    const QString target = dir.filePath(QStringLiteral("config/autostart/pinvelle.desktop"));

    QVERIFY(Autostart(source, target).install());
    QCOMPARE(readFile(target), launcher);
    QCOMPARE(readFile(source), launcher);
}

void TestAutostart::replacesAnExistingCopy()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("new.desktop"));
    const QString target = dir.filePath(QStringLiteral("old.desktop"));
    QVERIFY(writeFile(source, "new launcher"));
    QVERIFY(writeFile(target, "an older and longer launcher that must not leave a tail"));

    QVERIFY(Autostart(source, target).install());
    QCOMPARE(readFile(target), QByteArray("new launcher"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestAutostart::withoutSourceNothingChanges_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("missing file") << "missing.desktop";
    QTest::newRow("no source found") << "";
    QTest::newRow("a folder") << "folder";
}

void TestAutostart::withoutSourceNothingChanges()
{
    QFETCH(QString, source);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QString sourcePath = source.isEmpty() ? QString() : dir.filePath(source);

    // A target folder that does not exist yet is not created.
    const QString newTarget = dir.filePath(QStringLiteral("autostart/pinvelle.desktop"));
    QVERIFY(!Autostart(sourcePath, newTarget).install());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("autostart"))));

    // An existing copy stays as it was.
    const QString oldTarget = dir.filePath(QStringLiteral("old.desktop"));
    QVERIFY(writeFile(oldTarget, "old launcher"));
    QVERIFY(!Autostart(sourcePath, oldTarget).install());
    QCOMPARE(readFile(oldTarget), QByteArray("old launcher"));
}

void TestAutostart::unwritableFolderKeepsTheOldCopy()
{
    QTemporaryDir dir;
    const auto readable =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), readable));
    const QString source = dir.filePath(QStringLiteral("pinvelle.desktop"));
    QVERIFY(writeFile(source, "new launcher"));
    QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::ReadOther));
    const QString folder = dir.filePath(QStringLiteral("autostart"));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/pinvelle.desktop");
    QVERIFY(writeFile(target, "old launcher"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                              QFile::ExeOther));
    bool installed = true;
    {
        Unprivileged asUser;
        // The launcher itself can be read, so only the folder stands in the way.
        QFile check(source);
        QVERIFY(check.open(QIODevice::ReadOnly));
        installed = Autostart(source, target).install();
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!installed);
    QCOMPARE(readFile(target), QByteArray("old launcher"));
}

void TestAutostart::freedesktopLocations()
{
    // The desktop looks in $XDG_DATA_HOME/applications before the system's folders.
    const QString applications = TestEnvironment::instance()->dataHome() + "/applications";
    QVERIFY(QDir().mkpath(applications));
    const QString installed = applications + QStringLiteral("/pinvelle.desktop");
    QVERIFY(writeFile(installed, "[Desktop Entry]\n"));

    const Autostart autostart = Autostart::forThisSystem();
    QFile::remove(installed);
    QCOMPARE(autostart.source(), installed);
    QCOMPARE(autostart.target(),
             TestEnvironment::instance()->configHome() + "/autostart/pinvelle.desktop");
}
