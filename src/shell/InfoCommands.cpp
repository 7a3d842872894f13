#include "InfoCommands.h"

#include "platform/Notice.h"
#include "platform/ProductInfo.h"

#include <QDesktopServices>
#include <QDir>

InfoCommands::InfoCommands() : InfoCommands(&QDesktopServices::openUrl) {}

InfoCommands::InfoCommands(UrlOpener openUrl) : m_openUrl(std::move(openUrl)) {}

QString InfoCommands::aboutText(const QString &notesFolder)
{
    const QLatin1Char newLine('\n');
    QString text = QString::fromLatin1(ProductInfo::kName) + QLatin1Char(' ') +
                   QString::fromLatin1(ProductInfo::kVersion) + newLine + newLine;
    for (const char *line : ProductInfo::kCreditLines)
        text += QString::fromLatin1(line) + newLine;
    text += newLine + QObject::tr("Notes folder: %1").arg(QDir::toNativeSeparators(notesFolder));
    return text;
}

QUrl InfoCommands::helpAddress()
{
    return QUrl(QString::fromLatin1(ProductInfo::kMakerWebSite) +
                QString::fromLatin1(ProductInfo::kHelpPage));
}

QString InfoCommands::suggestionsText()
{
    return QStringLiteral("Please email Suggestions to ") +
           QString::fromLatin1(ProductInfo::kSuggestionsAddress);
}

void InfoCommands::showAbout(QWidget *parent, const QString &notesFolder) const
{
    Notice::show(parent, aboutText(notesFolder));
}

void InfoCommands::openHelp() const
{
    if (m_openUrl)
        m_openUrl(helpAddress());
}

void InfoCommands::showSuggestions(QWidget *parent) const
{
    Notice::show(parent, suggestionsText());
}
