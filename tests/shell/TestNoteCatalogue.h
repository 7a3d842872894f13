#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestNoteCatalogue : public QObject {
    Q_OBJECT
private slots:
    void init();

    void emptyFolderHasNoEntries();
    void listsNoteFilesInTextOrder();
    void previews_data();
    void previews();
    void fileNameOfEntry_data();
    void fileNameOfEntry();
    void refreshReadsOnlyWhatChanged();
    void writeUpdatesItsOwnEntry();

private:
    void writeNote(const QString &name, const QByteArray &bytes);
    QTemporaryDir m_dir;
};
