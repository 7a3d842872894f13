#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QIcon;
class QMenu;
class QSystemTrayIcon;

// The icon in the notification area and its pop-up menu: "New Note", "Show Pinvelle",
// a separator, up to twenty notes, "More Notes..." when there are more, a separator, "Sync Now"
// and "Open Backups Folder". The left button asks for
// the main window, the right button pops up the menu. Where the desktop has no notification area
// the icon is never shown and available() says so.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    static constexpr int kNoteItems = 20;

    TrayIcon(const QIcon &icon, const QString &tip, QObject *parent = nullptr);
    ~TrayIcon() override;

    bool available() const;
    // Shows the icon; a second add while it is shown changes nothing.
    void add();
    void remove();
    bool isShown() const;

    // Fills the note items with the first twenty entries and hides the rest; "More Notes..."
    // shows when entries holds more.
    void setNotes(const QStringList &entries);
    void setMoreNotesShown(bool shown);
    // Puts one entry into the item at row, when the row has an item.
    void setNote(int row, const QString &entry);

    QMenu *menu() const { return m_menu; }
    QAction *noteItem(int index) const { return m_noteItems.at(index); }
    QAction *moreNotesItem() const { return m_moreNotes; }
    // Shows a short message beside the icon, when the desktop can.
    void showMessage(const QString &title, const QString &text);
    void setToolTip(const QString &tip);
    QString toolTip() const;

signals:
    void newNoteRequested();
    void showMainWindowRequested();
    // "More Notes...": the main window with its list.
    void noteListRequested();
    // "Open Backups Folder" was chosen.
    void backupsFolderRequested();
    // "Sync Now" was chosen.
    void syncRequested();
    // A note item was chosen; entry is its caption.
    void noteRequested(const QString &entry);

private:
    QSystemTrayIcon *m_icon;
    QMenu *m_menu;
    QList<QAction *> m_noteItems;
    QAction *m_moreNotes;
};
