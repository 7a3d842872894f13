#pragma once

#include "web/HtmlPage.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkReply;
class QNetworkRequest;
class QThread;

// A page-loading browser without a screen or a script engine, driven by the program: it loads
// an address, exposes the page's first form for filling in and clicking, and the parsed page
// for reading by its elements.
//
// Everything is asynchronous: navigate() and a submitting click() return at once with the
// browser busy; loadFinished() or loadFailed() follows from the event loop, by which time the
// browser is idle again and the new page (or, after a failure, an empty page with no form) is
// in place. Cookies last as long as the browser; redirects are followed up to a bound; an
// HTTPS certificate that does not verify fails the load. Every load is bounded in time and in
// size; either bound exceeded is a failed load. The page is parsed on a thread of its own, so a
// large page does not hold up the caller's event loop.
class Browser final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{30000};
    static constexpr qint64 kDefaultMaximumBodySize = 8 * 1024 * 1024;
    static constexpr int kMaximumRedirects = 10;
    // Deeper pages are refused: see ParsedHtml::nestsDeeperThan.
    static constexpr int kMaximumNesting = 2000;

    explicit Browser(QObject *parent = nullptr);
    ~Browser() override;

    // Loads `url` (http or https), abandoning any load in flight without a signal for it.
    void navigate(const QUrl &url);
    // Abandons the load in flight, silently; the current page stays.
    void stop();
    bool isBusy() const { return m_busy; }

    // The page now shown: after a failure, an empty page at the address that failed.
    const HtmlPage &page() const { return m_page; }
    QUrl url() const { return m_page.url(); }
    HtmlElement document() const { return m_page.document(); }
    HtmlElement body() const { return m_page.body(); }
    // The page's first form, or nullptr when it has none.
    HtmlForm *form() { return m_page.form(); }
    const HtmlForm *form() const { return m_page.form(); }
    // Number of elements of the first form; 0 without a form.
    int formElementCount() const { return form() ? form()->count() : 0; }

    // Clicks the element at `position` of the first form. True when the click submitted the
    // form, which starts loading the answer (the browser is busy on return).
    bool click(int position);

    // Status code of the last answer (0 when none came), and why the last load failed.
    int httpStatus() const { return m_httpStatus; }
    QString errorString() const { return m_errorString; }

    // The whole time one load may take, redirects included.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // The largest body accepted, after any content decoding.
    void setMaximumBodySize(qint64 bytes) { m_maximumBodySize = bytes; }

signals:
    void loadStarted();
    void loadFinished();
    void loadFailed(const QString &reason);

private:
    void start(QNetworkRequest request, const QByteArray &method, const QByteArray &body);
    void readBody();
    void checkHeaders();
    void finish(QNetworkReply *reply);
    void parse(const QUrl &url, const QByteArray &contentType);
    void fail(const QString &reason);
    void abandon();

    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QList<QThread *> m_parsers; // pages being parsed, the newest last
    QTimer m_deadline;
    QByteArray m_body;
    HtmlPage m_page;
    QUrl m_requested;
    bool m_busy = false;
    quint64 m_generation = 0; // tells a queued failure whether its load is still current
    int m_httpStatus = 0;
    QString m_errorString;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    qint64 m_maximumBodySize = kDefaultMaximumBodySize;
};
