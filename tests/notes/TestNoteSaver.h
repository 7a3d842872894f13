#pragma once

#include <QObject>
#include <QTemporaryDir>

// The save routine's rules, apart from any window.
class TestNoteSaver : public QObject {
    Q_OBJECT
private slots:
    void trimsOnlySpaces_data();
    void trimsOnlySpaces();
    void forcedRunWritesUnchangedTextWithSavingOff();
    void noPathWritesNothing();
    void unsavedEdits();

private:
    QTemporaryDir m_dir;
};
