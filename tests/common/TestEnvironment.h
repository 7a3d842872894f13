#pragma once

#include "Child.h"

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// Gives every test executable its own settings and data folders, so no test reads or
// writes the user's real store, and runs headless unless a display is asked for.
class TestEnvironment final {
public:
    TestEnvironment();

    QString configHome() const { return m_root.path() + QStringLiteral("/config"); }
    QString dataHome() const { return m_root.path() + QStringLiteral("/data"); }
    // The native store's file for this run.
    QString settingsFile() const;
    // Removes every stored setting, so the next store starts empty.
    void clearSettings() const;

    // The desktop's trash in the data folder: empties it, and gives what its files hold.
    void clearTrash() const;
    QList<QByteArray> trashed() const;

    static TestEnvironment *instance();

private:
    QTemporaryDir m_root;
};

template <typename Test> int runTestClass(int argc, char **argv)
{
    Test test;
    return QTest::qExec(&test, argc, argv);
}

// Runs each test class in turn and returns non-zero when any failed.
template <typename... Tests> int runTestClasses(int argc, char **argv)
{
    return (0 + ... + runTestClass<Tests>(argc, argv));
}

#define PINVELLE_TEST_MAIN(...)                                                                    \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        TestEnvironment environment;                                                               \
        QApplication app(argc, argv);                                                              \
        return runTestClasses<__VA_ARGS__>(argc, argv) ? 1 : 0;                                    \
    }
