#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

// What the main window's About, Help and Suggestions buttons show or open. None of them
// changes any state.
class InfoCommands final {
public:
    // Opens an address in the user's browser; tests hand in their own to see the address.
    using UrlOpener = std::function<bool(const QUrl &)>;

    // Opens addresses through the desktop's browser.
    InfoCommands();
    explicit InfoCommands(UrlOpener openUrl);

    // Name and version, an empty line, the maker's credit lines, then the notes folder in use.
    static QString aboutText(const QString &notesFolder);
    // The help page on the maker's web site.
    static QUrl helpAddress();
    static QString suggestionsText();

    void showAbout(QWidget *parent, const QString &notesFolder) const;
    // A browser that cannot be started is not reported.
    void openHelp() const;
    void showSuggestions(QWidget *parent) const;

    void setUrlOpener(UrlOpener openUrl) { m_openUrl = std::move(openUrl); }

private:
    UrlOpener m_openUrl;
};
