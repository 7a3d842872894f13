#include "NoteWriter.h"

#include "NoteText.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

struct NoteWriter::State {
    std::mutex mutex;
    std::condition_variable idle;
    // Vectors, not deques: an empty deque still allocates about 1 KB, in every open note.
    // Neither holds more than a few entries.
    std::vector<NoteWriteRequest> waiting;
    std::vector<std::pair<NoteWriteRequest, NoteWriteResult>> done;
    bool inFlight = false;
    // The file and text this writer wrote last: the truth about that file from then on, as
    // a window's expected text may be older than a write still queued before it.
    struct Written {
        QString path;
        QString text;
        FileStamp stamp;
    };
    std::optional<Written> lastWritten;
    NoteWriter *owner = nullptr; // null once the writer is gone; outcomes are then dropped
};

namespace {

// The one thread every note is written on; stopped with the program, after its last write.
class WriterThread final : public QThread {
public:
    using QThread::QThread;
    ~WriterThread() override
    {
        quit();
        wait();
    }
};

QObject *workerContext()
{
    static QPointer<QObject> context;
    if (!context) {
        auto *thread = new WriterThread(QCoreApplication::instance());
        thread->setObjectName(QStringLiteral("NoteWriter"));
        context = new QObject;
        context->moveToThread(thread);
        QObject::connect(thread, &QThread::finished, context, &QObject::deleteLater);
        thread->start();
    }
    return context;
}

// Touched only on the thread the windows live on.
QList<NoteWriter *> &liveWriters()
{
    static QList<NoteWriter *> writers;
    return writers;
}

} // namespace

namespace {

bool isPlainSuccess(const NoteWriteResult &result)
{
    return result.ok() && result.trashedTo.isEmpty();
}

} // namespace

bool NoteWriter::supersedes(const std::pair<NoteWriteRequest, NoteWriteResult> &older,
                            const NoteWriteRequest &request, const NoteWriteResult &result)
{
    return older.first.path == request.path && older.first.old == request.old &&
           isPlainSuccess(older.second) && isPlainSuccess(result);
}

// Writers that went while their last text was still being written.
std::vector<std::shared_ptr<NoteWriter::State>> &NoteWriter::orphans()
{
    static std::vector<std::shared_ptr<NoteWriter::State>> states;
    return states;
}

NoteWriter::NoteWriter(QObject *parent) : QObject(parent), m_state(std::make_shared<State>())
{
    m_state->owner = this;
    liveWriters().append(this);
}

NoteWriter::~NoteWriter()
{
    liveWriters().removeOne(this);
    const std::lock_guard lock(m_state->mutex);
    m_state->owner = nullptr;
    if (m_state->inFlight)
        orphans().push_back(m_state);
}

void NoteWriter::submit(const NoteWriteRequest &request)
{
    std::unique_lock lock(m_state->mutex);
    if (!m_state->waiting.empty() && m_state->waiting.back().path == request.path &&
        m_state->waiting.back().old == request.old) {
        m_state->waiting.back() = request;
        return;
    }
    m_state->waiting.push_back(request);
    if (m_state->inFlight)
        return;
    m_state->inFlight = true;
    lock.unlock();
    QMetaObject::invokeMethod(
        workerContext(), [state = m_state] { drain(state); }, Qt::QueuedConnection);
}

void NoteWriter::drain(const std::shared_ptr<State> &state)
{
    std::unique_lock lock(state->mutex);
    while (!state->waiting.empty()) {
        NoteWriteRequest request = std::move(state->waiting.front());
        state->waiting.erase(state->waiting.begin());
        std::optional<FileStamp> expectedStamp;
        if (request.expected && state->lastWritten && state->lastWritten->path == request.path) {
            request.expected = state->lastWritten->text;
            expectedStamp = state->lastWritten->stamp;
        }
        lock.unlock();
        // Of two replacements of one file in a row, the folder sync of the second makes
        // both last: the first skips its own, so the newest text waits one sync less.
        const auto folderSyncWanted = [&state, &request] {
            const std::lock_guard pending(state->mutex);
            return state->waiting.empty() || state->waiting.front().path != request.path;
        };
        NoteWriteResult result = WriteNoteFile(request.text, request.path, request.old,
                                               folderSyncWanted, request.expected, expectedStamp);
        lock.lock();
        if (result.ok())
            state->lastWritten = State::Written{
                request.path, NoteText::hasContent(request.text) ? request.text : QString(),
                result.stamp};
        // While the window is busy (a burst of keys) outcomes wait here, each holding its
        // whole text. Of two plain successes for one note only the newer says anything, so
        // it takes the older's place and the list stays short whatever the window's delay.
        const bool posted = !state->done.empty();
        if (posted && supersedes(state->done.back(), request, result))
            state->done.back() = {request, std::move(result)};
        else
            state->done.emplace_back(request, std::move(result));
        // Posted while the owner is known to live; its going removes the posted call. One
        // posted call delivers every outcome that waits.
        NoteWriter *owner = state->owner;
        if (owner && !posted)
            QMetaObject::invokeMethod(
                owner, [owner] { owner->deliver(); }, Qt::QueuedConnection);
    }
    state->inFlight = false;
    state->idle.notify_all();
}

bool NoteWriter::busy() const
{
    const std::lock_guard lock(m_state->mutex);
    return m_state->inFlight;
}

void NoteWriter::rebase()
{
    const std::lock_guard lock(m_state->mutex);
    m_state->lastWritten.reset();
}

bool NoteWriter::waitIdle(State &state, QDeadlineTimer deadline)
{
    std::unique_lock lock(state.mutex);
    while (state.inFlight) {
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return false;
        // In slices, so a deadline that never comes cannot overflow the wait.
        const auto slice = std::chrono::milliseconds(left < 0 ? 100 : std::min<qint64>(left, 100));
        state.idle.wait_for(lock, slice);
    }
    return true;
}

bool NoteWriter::finish(QDeadlineTimer deadline)
{
    const bool idle = waitIdle(*m_state, deadline);
    deliver();
    return idle;
}

bool NoteWriter::finishAll(QDeadlineTimer deadline)
{
    bool all = true;
    const QList<QPointer<NoteWriter>> writers(liveWriters().cbegin(), liveWriters().cend());
    for (const QPointer<NoteWriter> &writer : writers) {
        if (writer && !writer->finish(deadline))
            all = false;
    }
    std::vector<std::shared_ptr<State>> &gone = orphans();
    for (auto it = gone.begin(); it != gone.end();) {
        if (waitIdle(**it, deadline)) {
            it = gone.erase(it);
        } else {
            all = false;
            ++it;
        }
    }
    return all;
}

void NoteWriter::deliver()
{
    std::vector<std::pair<NoteWriteRequest, NoteWriteResult>> done;
    {
        const std::lock_guard lock(m_state->mutex);
        done.swap(m_state->done);
    }
    for (const auto &[request, result] : done)
        emit written(request, result);
}
