#include "TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

TrayIcon::TrayIcon(const QIcon &icon, const QString &tip, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(icon, this)), m_menu(new QMenu)
{
    m_menu->setObjectName(QStringLiteral("QMenu"));
    QAction *newNote = m_menu->addAction(tr("New Note"));
    newNote->setObjectName(QStringLiteral("NewNote"));
    QAction *show = m_menu->addAction(tr("Show Pinvelle"));
    show->setObjectName(QStringLiteral("ShowPinvelle"));
    m_menu->addSeparator()->setObjectName(QStringLiteral("filler"));
    for (int i = 0; i < kNoteItems; ++i) {
        QAction *item = m_menu->addAction(QString());
        item->setObjectName(QStringLiteral("MenuNote%1").arg(i + 1));
        item->setVisible(false);
        connect(item, &QAction::triggered, this,
                [this, item] { emit noteRequested(item->data().toString()); });
        m_noteItems << item;
    }
    m_moreNotes = m_menu->addAction(tr("More Notes..."));
    m_moreNotes->setObjectName(QStringLiteral("MoreNotes"));
    m_moreNotes->setVisible(false);
    connect(m_moreNotes, &QAction::triggered, this, &TrayIcon::noteListRequested);
    m_menu->addSeparator()->setObjectName(QStringLiteral("filler2"));
    QAction *sync = m_menu->addAction(tr("Sync Now"));
    sync->setObjectName(QStringLiteral("SyncNow"));
    connect(sync, &QAction::triggered, this, &TrayIcon::syncRequested);
    QAction *backups = m_menu->addAction(tr("Open Backups Folder"));
    backups->setObjectName(QStringLiteral("OpenBackups"));
    connect(backups, &QAction::triggered, this, &TrayIcon::backupsFolderRequested);
    connect(newNote, &QAction::triggered, this, &TrayIcon::newNoteRequested);
    connect(show, &QAction::triggered, this, &TrayIcon::showMainWindowRequested);

    m_icon->setToolTip(tip);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit showMainWindowRequested();
            });
}

TrayIcon::~TrayIcon()
{
    delete m_menu; // a menu given to the tray icon is not owned by it
}

bool TrayIcon::available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::add()
{
    if (!m_icon->isVisible())
        m_icon->show();
}

void TrayIcon::remove()
{
    m_icon->hide();
}

bool TrayIcon::isShown() const
{
    return m_icon->isVisible();
}

void TrayIcon::setNotes(const QStringList &entries)
{
    for (int i = 0; i < kNoteItems; ++i)
        setNote(i, i < entries.size() ? entries.at(i) : QString());
    setMoreNotesShown(entries.size() > kNoteItems);
}

void TrayIcon::setMoreNotesShown(bool shown)
{
    m_moreNotes->setVisible(shown);
}

void TrayIcon::setNote(int row, const QString &entry)
{
    if (row < 0 || row >= kNoteItems)
        return;
    QAction *item = m_noteItems.at(row);
    // Captions are plain text: an ampersand in a note must not become a shortcut.
    item->setText(QString(entry).replace(QLatin1Char('&'), QStringLiteral("&&")));
    item->setData(entry);
    item->setVisible(!entry.isEmpty());
}

void TrayIcon::showMessage(const QString &title, const QString &text)
{
    if (m_icon->isVisible() && QSystemTrayIcon::supportsMessages())
        m_icon->showMessage(title, text, QSystemTrayIcon::Information);
}

void TrayIcon::setToolTip(const QString &tip)
{
    m_icon->setToolTip(tip);
}

QString TrayIcon::toolTip() const
{
    return m_icon->toolTip();
}
