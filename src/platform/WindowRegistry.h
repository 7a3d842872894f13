#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

// The open note windows, found by their titles (a note window is titled with its file
// name). Lets the program bring an open note to the front instead of opening it twice.
// Windows leave the registry on their own when they are destroyed.
class WindowRegistry final : public QObject {
    Q_OBJECT
public:
    explicit WindowRegistry(QObject *parent = nullptr);

    enum class Activation {
        Activated,    // the window was shown, raised and activated
        NoSuchWindow, // no registered window carries that title
    };

    void add(QWidget *window);
    void remove(QWidget *window);

    // The registered window whose current title is title, or null.
    QWidget *find(const QString &title) const;
    // Brings the window titled title to the front, showing it when it was hidden.
    Activation activate(const QString &title);

    // The live registered windows, oldest first.
    QList<QWidget *> windows() const;

signals:
    // A registered window was destroyed or removed.
    void windowRemoved();

private:
    void prune() const;

    mutable QList<QPointer<QWidget>> m_windows;
};
