#pragma once

#include "NotesSite.h"
#include "sync/SyncWindow.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A notes folder, the site double with one account, and a synchronisation window on them.
class SyncFixture final {
public:
    static inline const QString kEmail = QStringLiteral("ann@example.org");
    static inline const QString kPassword = QStringLiteral("s3cret-Pa55");

    SyncFixture();
    ~SyncFixture();

    QString folder() const { return m_folder.path(); }
    QString path(const QString &fileName) const;
    // Writes raw bytes, as another program (or the note store) would have.
    void writeFile(const QString &fileName, const QByteArray &bytes) const;
    QByteArray readFile(const QString &fileName) const;
    bool exists(const QString &fileName) const;
    // File names in the notes folder, sorted.
    QStringList files() const;

    NotesSite &site() { return m_site; }
    // Opens the window on the folder as it is now, with the account filled in.
    SyncWindow &window();
    SyncWindow *windowIfOpen() const { return m_window; }
    // Selects the list entries of these files.
    void select(const QStringList &fileNames);

    // Clicks push or pull and waits until the button is enabled again.
    bool push();
    bool pull();

private:
    QTemporaryDir m_folder;
    NotesSite m_site;
    QPointer<SyncWindow> m_window;
};
