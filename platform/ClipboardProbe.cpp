#include "ClipboardProbe.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

namespace hx {
namespace {

// The answer for the clipboard as it was last looked at. Reading the text of
// another program's clipboard copies all of it, so the answer is kept until
// the clipboard says it changed.
struct ProbeCache {
    QPointer<QClipboard> watched;
    bool stale = true;
    bool answer = false;
};

ProbeCache &Cache() {
    static ProbeCache cache;
    return cache;
}

void Watch(QClipboard *clipboard) {
    ProbeCache &cache = Cache();
    if (cache.watched == clipboard) return;
    cache.watched = clipboard;
    cache.stale = true;
    QObject::connect(clipboard, &QClipboard::dataChanged, clipboard, [] { Cache().stale = true; });
    // A change made while the program was in the background may have been
    // missed by a desktop that does not report it: look again on return.
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, clipboard, [](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) Cache().stale = true;
    });
}

bool Look(const QMimeData *data) {
    if (!data) return false;
    if (data->hasFormat(ClipboardBytesType) && !data->data(ClipboardBytesType).isEmpty()) return true;
    return data->hasText() && !data->text().isEmpty();
}

}  // namespace

bool ClipboardHasPasteData() {
    if (!QGuiApplication::instance()) return false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    Watch(clipboard);
    ProbeCache &cache = Cache();
    if (cache.stale) {
        cache.answer = Look(clipboard->mimeData());
        cache.stale = false;
    }
    return cache.answer;
}

}  // namespace hx
