#pragma once

#include <QObject>
#include <QtGlobal>

#include <memory>

// A window's control found by its object name, the way tools and the end-to-end tests see
// it; a missing control ends the test run at once rather than failing later on a null.
template <typename T> T *child(const QObject *parent, const char *name)
{
    T *found = parent ? parent->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

template <typename T, typename P> T *child(const std::unique_ptr<P> &parent, const char *name)
{
    return child<T>(parent.get(), name);
}
