#include "ClipboardProbe.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace hx {

bool ClipboardHasPasteData() {
    if (!QGuiApplication::instance()) return false;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && (data->hasText() || data->hasFormat(ClipboardBytesType));
}

}  // namespace hx
