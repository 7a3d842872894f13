#include "NoteFixture.h"

#include "store/NoteWriter.h"

#include <QFile>
#include <QMessageBox>
#include <QTest>

NoteFixture::NoteFixture()
    : folder(dir.path()), settings(std::make_unique<SettingsStore>(
                              settingsDir.filePath(QStringLiteral("Pinvelle.ini"))))
{}

NoteFixture::~NoteFixture()
{
    for (const QPointer<NoteWindow> &window : m_windows)
        delete window.data();
}

NoteWindow *NoteFixture::open(const QString &key, Kind kind)
{
    NoteWindow *window = kind == Kind::Thin
                             ? new NoteWindow(NoteBorder::Thin, options, *settings, folder)
                             : new NoteWindow(NoteBorder::Full, options, *settings, folder);
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

void NoteFixture::finishWrites()
{
    QVERIFY(NoteWriter::finishAll(QDeadlineTimer(5000)));
}

QByteArray NoteFixture::bytesOf(const QString &fileName) const
{
    finishWrites();
    QFile file(path(fileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool NoteFixture::exists(const QString &fileName) const
{
    finishWrites();
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
