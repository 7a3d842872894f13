#pragma once

#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>

class TestInfoCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void aboutText();
    void helpAddress();
    void suggestionsText();
    void aboutAndSuggestionsBoxes_data();
    void aboutAndSuggestionsBoxes();
    void helpOpensTheBrowser();
    void helpGoesThroughTheDesktop();

private:
    QTemporaryDir m_notes;
};

// Stands in for the desktop's browser: the addresses it was asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};
