#include "FileWatch.h"

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QStringList>

#include <memory>

#include "Event.h"
#include "Platform.h"
#include "PlatformInternal.h"

namespace hx {
namespace {

struct Watch {
    std::unique_ptr<QFileSystemWatcher> watcher;
    QPointer<QCoreApplication> application;   // the watcher belongs to this run of the platform
};

Watch &TheWatch() {
    static Watch watch;
    return watch;
}

QFileSystemWatcher *Watcher() {
    Watch &watch = TheWatch();
    QCoreApplication *application = QCoreApplication::instance();
    if (application == nullptr) return nullptr;
    if (watch.watcher && watch.application == application) return watch.watcher.get();
    watch.watcher = std::make_unique<QFileSystemWatcher>();
    watch.application = application;
    QObject::connect(watch.watcher.get(), &QFileSystemWatcher::fileChanged, [](const QString &path) {
        Event event;
        event.window = 0;
        event.kind = EventFileChanged;
        const QByteArray bytes = path.toLocal8Bit();
        event.text.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
        PostEvent(event);
    });
    return watch.watcher.get();
}

QString Local(const std::string &path) { return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())); }

}  // namespace

void SetWatchedFiles(const std::vector<std::string> &paths) {
    QFileSystemWatcher *watcher = Watcher();
    if (watcher == nullptr) return;
    QStringList wanted;
    for (const std::string &path : paths) wanted << Local(path);
    QStringList gone;
    for (const QString &path : watcher->files())
        if (!wanted.contains(path)) gone << path;
    if (!gone.isEmpty()) watcher->removePaths(gone);
    QStringList added;
    for (const QString &path : wanted)
        if (!watcher->files().contains(path) && !added.contains(path)) added << path;
    // Paths that do not exist are refused by the watcher; nothing else to do.
    if (!added.isEmpty()) watcher->addPaths(added);
}

std::vector<std::string> WatchedFiles() {
    std::vector<std::string> paths;
    if (!TheWatch().watcher) return paths;
    for (const QString &path : TheWatch().watcher->files()) {
        const QByteArray bytes = path.toLocal8Bit();
        paths.emplace_back(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    return paths;
}

namespace detail {

void StopWatchingFiles() { TheWatch().watcher.reset(); }

}  // namespace detail
}  // namespace hx
