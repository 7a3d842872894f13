#include "sync/PushTransfer.h"

#include "store/NoteText.h"
#include "sync/TransferControls.h"
#include "web/Contract.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <utility>

PushTransfer::PushTransfer(TransferControls &controls, QString notesFolder, QObject *parent)
    : QObject(parent), m_controls(controls), m_folder(std::move(notesFolder))
{
    connect(&m_browser, &Browser::loadFinished, this, [this] { loaded(true); });
    connect(&m_browser, &Browser::loadFailed, this, [this] { loaded(false); });
}

void PushTransfer::start(const QUrl &request)
{
    cancel();
    m_outcome = Outcome();
    m_row = 0;
    m_done = 0;
    m_stage = Stage::Requesting;
    m_browser.navigate(request);
}

void PushTransfer::cancel()
{
    m_stage = Stage::Idle;
    m_browser.stop();
}

void PushTransfer::loaded(bool ok)
{
    if (m_stage == Stage::Requesting) {
        m_stage = Stage::Walking;
        if (!m_browser.form()) {
            finish(ok ? tr("The site's page holds no form.") : m_browser.errorString());
            return;
        }
        scheduleNextEntry();
    } else if (m_stage == Stage::Submitting) {
        answered(ok);
    }
}

void PushTransfer::scheduleNextEntry()
{
    // One entry per turn of the event loop, so the window stays usable between notes.
    QTimer::singleShot(0, this, [this] {
        if (m_stage == Stage::Walking)
            nextEntry();
    });
}

int PushTransfer::selectedFrom(int row) const
{
    int count = 0;
    for (int i = row; i < m_controls.entryCount(); ++i)
        count += m_controls.isEntrySelected(i) ? 1 : 0;
    return count;
}

void PushTransfer::nextEntry()
{
    // The selection is read as the push reaches each entry: the user may change it meanwhile.
    while (m_row < m_controls.entryCount() && !m_controls.isEntrySelected(m_row))
        ++m_row;
    if (m_row >= m_controls.entryCount()) {
        finish();
        return;
    }
    const int total = m_done + selectedFrom(m_row);
    ++m_done;
    m_name = m_controls.entryFileName(m_row);
    // The file's whole content is sent, the line end the note store adds included.
    QFile file(QDir(m_folder).filePath(m_name));
    if (!file.open(QIODevice::ReadOnly)) {
        ++m_outcome.unreadable;
        ++m_row;
        scheduleNextEntry();
        return;
    }
    m_text = NoteText::decode(file.readAll());
    file.close();
    if (!m_browser.form()) {
        finish(m_browser.errorString().isEmpty() ? tr("The site's page holds no form.")
                                                 : m_browser.errorString());
        return;
    }
    emit progress(tr("Pushing %1 of %2").arg(m_done).arg(total));
    m_position = 0;
    walk();
}

void PushTransfer::walk()
{
    // The form is looked up again at every step: a click replaces the page.
    for (HtmlForm *form = m_browser.form(); form && m_position < form->count();
         form = m_browser.form(), ++m_position) {
        const QString name = form->at(m_position).name;
        if (name == QLatin1String("TextBox1")) {
            form->setValue(m_position, m_controls.emailAddress());
        } else if (name == QLatin1String("TextBox2")) {
            form->setValue(m_position, m_controls.password());
        } else if (name == QLatin1String("TextBox4")) {
            form->setValue(m_position, m_name);
        } else if (name == QLatin1String("TextBox5")) {
            form->setValue(m_position, m_text);
        } else if (name == QLatin1String("Button1")) {
            if (m_browser.click(m_position)) {
                m_stage = Stage::Submitting;
                return; // answered() goes on once the answer is in
            }
        }
    }
    ++m_row;
    scheduleNextEntry();
}

void PushTransfer::answered(bool ok)
{
    m_stage = Stage::Walking;
    // A load that failed leaves a page without a form: the next note stops the push.
    if (ok)
        count(m_browser.document().elementById(QString::fromLatin1(WebContract::kResultId)));
    ++m_position;
    walk();
}

void PushTransfer::count(const HtmlElement &result)
{
    // The site answers in its result element; a page without one is read whole.
    if ((result.isNull() ? m_browser.body() : result).text().contains(kLogInFailure)) {
        m_controls.logInFailed(kLogInFailure);
        ++m_outcome.refused;
        return;
    }
    using namespace WebContract;
    const QString outcome = result.attribute(kOutcomeAttribute);
    if (outcome == QLatin1String(kOutcomeStored)) {
        ++m_outcome.stored;
    } else if (outcome == QLatin1String(kOutcomeReplaced)) {
        ++m_outcome.replaced;
    } else if (outcome == QLatin1String(kOutcomeKept)) {
        ++m_outcome.kept;
        m_outcome.keptNames << m_name;
    } else if (outcome == QLatin1String(kOutcomeSame)) {
        ++m_outcome.same;
    } else if (outcome == QLatin1String(kOutcomeRefused)) {
        ++m_outcome.refused;
    } else if (outcome == QLatin1String(kOutcomeFailed)) {
        ++m_outcome.failed;
    } else {
        ++m_outcome.unanswered;
    }
}

void PushTransfer::finish(const QString &failure)
{
    m_stage = Stage::Idle;
    m_outcome.failure = failure;
    emit finished(m_outcome);
}
