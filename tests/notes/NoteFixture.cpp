#include "NoteFixture.h"

#include "notes/NoteForm1.h"
#include "notes/NoteForm22.h"

#include <QFile>
#include <QMessageBox>

NoteFixture::NoteFixture()
    : folder(dir.path()), settings(std::make_unique<SettingsStore>(
                              settingsDir.filePath(QStringLiteral("Pinvelle.ini"))))
{}

NoteFixture::~NoteFixture()
{
    for (const QPointer<NoteForm> &window : m_windows)
        delete window.data();
}

NoteForm *NoteFixture::open(const QString &key, Kind kind)
{
    NoteForm *window = kind == Kind::Thin
                           ? static_cast<NoteForm *>(new NoteForm1(options, *settings, folder))
                           : new NoteForm22(options, *settings, folder);
    m_windows.append(window);
    window->load(key);
    return window;
}

void NoteFixture::writeNote(const QString &fileName, const QString &text) const
{
    QFile file(path(fileName));
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8() + "\r\n");
}

QByteArray NoteFixture::bytesOf(const QString &fileName) const
{
    QFile file(path(fileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool NoteFixture::exists(const QString &fileName) const
{
    return QFile::exists(path(fileName));
}

QMessageBox *NoteFixture::box(QWidget *parent, const QString &name)
{
    const auto boxes = parent->findChildren<QMessageBox *>(name);
    for (QMessageBox *candidate : boxes) {
        if (candidate->isVisible())
            return candidate;
    }
    return nullptr;
}
