#include "SyncFixture.h"

#include "Child.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

SyncFixture::SyncFixture()
{
    m_site.addAccount(kEmail, kPassword);
    if (!m_site.listen())
        qFatal("the site double cannot listen");
}

SyncFixture::~SyncFixture()
{
    delete m_window;
}

QString SyncFixture::path(const QString &fileName) const
{
    return QDir(m_folder.path()).filePath(fileName);
}

void SyncFixture::writeFile(const QString &fileName, const QByteArray &bytes) const
{
    QFile file(path(fileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write a test note");
}

QByteArray SyncFixture::readFile(const QString &fileName) const
{
    QFile file(path(fileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool SyncFixture::exists(const QString &fileName) const
{
    return QFileInfo::exists(path(fileName));
}

QStringList SyncFixture::files() const
{
    return QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

SyncWindow &SyncFixture::window()
{
    if (!m_window)
        m_window = new SyncWindow(m_folder.path(), m_site.baseAddress());
    m_window->showAndRefresh();
    child<QLineEdit>(m_window, "Text1")->setText(kEmail);
    child<QLineEdit>(m_window, "Text2")->setText(kPassword);
    return *m_window;
}

void SyncFixture::select(const QStringList &fileNames)
{
    QListWidget *list = child<QListWidget>(m_window, "List1");
    for (int row = 0; row < list->count(); ++row) {
        if (fileNames.contains(list->item(row)->data(Qt::UserRole).toString()))
            list->item(row)->setSelected(true);
    }
}

bool SyncFixture::push()
{
    child<QPushButton>(m_window, "Command1")->click();
    if (child<QPushButton>(m_window, "Command1")->isEnabled())
        return false;
    return QTest::qWaitFor(
        [this] { return !m_window || child<QPushButton>(m_window, "Command1")->isEnabled(); },
        20000);
}

bool SyncFixture::pull()
{
    child<QPushButton>(m_window, "Command2")->click();
    if (child<QPushButton>(m_window, "Command2")->isEnabled())
        return false;
    return QTest::qWaitFor(
        [this] { return !m_window || child<QPushButton>(m_window, "Command2")->isEnabled(); },
        20000);
}
