// The program's event queue: Qt events that our widgets convert, events the
// program posts itself, and the quit request of SIGTERM / SIGINT.
#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "Platform.h"
#include "PlatformInternal.h"

namespace hx {
namespace {

std::deque<Event> &Queue() {
    static std::deque<Event> queue;
    return queue;
}

// Deferred deletions (deleteLater of Qt's own objects) are only run by an
// event loop; the program runs none, so its waits run them.
void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

Event TakeFront() {
    Event event = std::move(Queue().front());
    Queue().pop_front();
    return event;
}

// ---- SIGTERM / SIGINT ----
// A signal handler may only do async-signal-safe work, so it writes one byte
// into a pipe; the notifier on the pipe's read end turns that into a quit
// request on the GUI thread.
int signalPipe[2] = {-1, -1};
std::unique_ptr<QSocketNotifier> &SignalNotifier() {
    static std::unique_ptr<QSocketNotifier> notifier;
    return notifier;
}

extern "C" void OnQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (signalPipe[1] >= 0) {
        [[maybe_unused]] ssize_t n = write(signalPipe[1], &byte, 1);  // a full pipe already wakes us
    }
    errno = saved;
}

void DrainSignalPipe() {
    char buffer[64];
    while (read(signalPipe[0], buffer, sizeof buffer) > 0) {
    }
}

}  // namespace

Event WaitEvent() {
    // Without an application object nothing could ever arrive: report "none"
    // instead of blocking forever.
    if (Queue().empty() && QCoreApplication::instance() == nullptr)
        return Event{};
    while (Queue().empty()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        RunDeferredDeletes();
    }
    return TakeFront();
}

std::optional<Event> PollEvent() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        RunDeferredDeletes();
    }
    if (Queue().empty())
        return std::nullopt;
    return TakeFront();
}

void PostEvent(const Event &event) {
    // A timer that fires while its previous tick still waits adds nothing,
    // nor does a resize while the last one is unhandled (its handler reads
    // the size then): a long run or a dragged border cannot flood the queue.
    if (event.kind == EventTimer || event.kind == EventSizeWindow) {
        for (const Event &queued : Queue()) {
            if (queued.kind == event.kind && queued.window == event.window && queued.data == event.data)
                return;
        }
    }
    Queue().push_back(event);
}

void PostMenuEvent(int id) {
    Event event;
    event.window = 0;
    event.kind = EventMenu;
    event.type = id;
    event.data = id;
    PostEvent(event);
}

void PostControlEvent(int window, int control, int type) {
    Event event;
    event.window = window;
    event.control = control;
    event.kind = EventControl;
    event.type = type;
    PostEvent(event);
}

void RequestQuit() {
    Event event;
    event.window = 0;
    event.kind = EventCloseWindow;
    event.data = 1;  // not the user's close box: nothing may be asked
    PostEvent(event);
}

bool QuitRequestPending() {
    for (const Event &event : Queue())
        if (event.kind == EventCloseWindow && event.window == 0 && event.data == 1) return true;
    return false;
}

size_t PendingEventCount() { return Queue().size(); }

bool InstallQuitSignals() {
    if (SignalNotifier() != nullptr)
        return true;
    if (QCoreApplication::instance() == nullptr)
        return false;
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return false;
    }
    SignalNotifier() = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(SignalNotifier().get(), &QSocketNotifier::activated, [] {
        DrainSignalPipe();
        RequestQuit();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    return true;
}

namespace detail {

void ClearEventQueue() { Queue().clear(); }

void RemoveQuitSignals() {
    if (SignalNotifier() == nullptr)
        return;
    // Handlers first: a late signal must not write into a closed (and maybe reused) descriptor.
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    SignalNotifier().reset();
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

}  // namespace detail
}  // namespace hx
