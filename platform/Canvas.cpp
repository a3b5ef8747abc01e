// Canvas controls: the widget's events and the functions that address a
// canvas by its control number.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <memory>

#include "CanvasWidget.h"
#include "Platform.h"

namespace hx {
namespace {

// A canvas image never grows beyond this many device pixels per side (1 GiB
// at most), whatever size the widget is given.
constexpr int MaxImageSide = 16384;
constexpr int FirstAutomaticCanvas = 100000;
constexpr int WheelNotch = 120;

int ModifierBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier)
        bits |= ModShift;
    if (modifiers & Qt::AltModifier)
        bits |= ModAlt;
    if (modifiers & Qt::ControlModifier)
        bits |= ModControl;
    return bits;
}

Qt::CursorShape CursorFor(Pointer pointer) {
    switch (pointer) {
    case Pointer::IBeam:
        return Qt::IBeamCursor;
    case Pointer::SizeVertical:
        return Qt::SizeVerCursor;
    case Pointer::Arrow:
        break;
    }
    return Qt::ArrowCursor;
}

QStringList LocalFiles(const QMimeData *data) {
    QStringList files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

// Drops are taken as copies only: a move would let the source delete what it
// gave us (the dragged text, or even the dragged file).
bool AcceptAsCopy(QDropEvent *event, bool offered) {
    if (!offered || (event->possibleActions() & Qt::CopyAction) == 0) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

}  // namespace

// ---- the widget ----

CanvasWidget::CanvasWidget(int number, int flags, QWidget *parent)
    : QWidget(parent), number_(number) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy((flags & CanvasKeyboard) != 0 ? Qt::StrongFocus : Qt::NoFocus);
}

CanvasWidget::~CanvasWidget() { stopPainter(); }

void CanvasWidget::setPointer(Pointer pointer) {
    if (pointer == pointer_)
        return;
    pointer_ = pointer;
    setCursor(CursorFor(pointer));
}

void CanvasWidget::setCanvasToolTip(const std::string &text) {
    const QString tip = QString::fromStdString(text);
    if (tip == toolTip())
        return;
    setToolTip(tip);
    // A tip on show keeps its old text; the owner changes tips as the mouse
    // moves over its parts, so the shown one follows (or goes when empty).
    if (QToolTip::isVisible() && underMouse()) {
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(mapToGlobal(mouse_), tip, this);
    }
}

void CanvasWidget::setDropFiles(bool accept) {
    dropFiles_ = accept;
    setAcceptDrops(dropFiles_ || dropText_);
}

void CanvasWidget::setDropText(bool accept) {
    dropText_ = accept;
    setAcceptDrops(dropFiles_ || dropText_);
}

void CanvasWidget::beginDrawing(QPainter *painter) {
    painter_ = painter;
    ++drawCount_;
}

void CanvasWidget::endDrawing(QPainter *painter) {
    if (painter_ == painter)
        painter_ = nullptr;
    update();
}

void CanvasWidget::stopPainter() {
    if (painter_ != nullptr && painter_->isActive())
        painter_->end();
    painter_ = nullptr;
}

void CanvasWidget::ensureImage() {
    const qreal ratio = devicePixelRatioF();
    const int w = std::clamp(static_cast<int>(width() * ratio), 0, MaxImageSide);
    const int h = std::clamp(static_cast<int>(height() * ratio), 0, MaxImageSide);
    if (image_.width() == w && image_.height() == h && image_.devicePixelRatio() == ratio)
        return;
    stopPainter();
    QImage next(w, h, QImage::Format_ARGB32_Premultiplied);
    if (next.isNull()) {
        image_ = QImage();
        return;
    }
    next.setDevicePixelRatio(ratio);
    // The owner redraws after a resize; until then the old picture (and the
    // face colour around it) avoids a flash of garbage.
    next.fill(palette().color(QPalette::Button));
    if (!image_.isNull()) {
        QPainter copy(&next);
        copy.setCompositionMode(QPainter::CompositionMode_Source);
        copy.drawImage(QPoint(0, 0), image_);
    }
    image_ = std::move(next);
}

void CanvasWidget::resizeEvent(QResizeEvent *) { ensureImage(); }

void CanvasWidget::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    painter.drawImage(QPoint(0, 0), image_);
}

bool CanvasWidget::focusNextPrevChild(bool) {
    // Tab and Backtab are keys of the canvas, not focus moves.
    return false;
}

bool CanvasWidget::event(QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        // Delivered before focusNextPrevChild could take them.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void CanvasWidget::post(int type, int modifiers, int key, int wheel, int character) {
    Event event;
    event.window = ControlWindow(number_);
    event.control = number_;
    event.kind = EventControl;
    event.type = type;
    event.input.mouseX = mouse_.x();
    event.input.mouseY = mouse_.y();
    event.input.key = key;
    event.input.modifiers = modifiers;
    event.input.wheelDelta = wheel;
    event.input.character = character;
    PostEvent(event);
}

void CanvasWidget::trackMouse(const QPointF &position) {
    mouse_ = QPoint(static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y())));
}

void CanvasWidget::focusInEvent(QFocusEvent *) {
    post(CanvasFocus, ModifierBits(QGuiApplication::keyboardModifiers()));
}

void CanvasWidget::focusOutEvent(QFocusEvent *) {
    post(CanvasLostFocus, ModifierBits(QGuiApplication::keyboardModifiers()));
}

void CanvasWidget::enterEvent(QEnterEvent *event) {
    trackMouse(event->position());
    if (inside_)
        return;
    inside_ = true;
    post(CanvasMouseEnter, ModifierBits(QGuiApplication::keyboardModifiers()));
}

void CanvasWidget::leaveEvent(QEvent *) {
    if (!inside_)
        return;
    inside_ = false;
    post(CanvasMouseLeave, ModifierBits(QGuiApplication::keyboardModifiers()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent *event) {
    trackMouse(event->position());
    // After a pointer warp X11 may send the leave but not the enter; the
    // owner (hover highlights) still sees every leave paired with an enter.
    if (!inside_ && pressed_ == Qt::NoButton && rect().contains(mouse_)) {
        inside_ = true;
        post(CanvasMouseEnter, ModifierBits(event->modifiers()));
    }
    post(CanvasMouseMove, ModifierBits(event->modifiers()));
}

void CanvasWidget::mousePressEvent(QMouseEvent *event) {
    trackMouse(event->position());
    const int modifiers = ModifierBits(event->modifiers());
    switch (event->button()) {
    case Qt::LeftButton:
        post(CanvasLeftButtonDown, modifiers);
        break;
    case Qt::RightButton:
        post(CanvasRightButtonDown, modifiers);
        break;
    case Qt::MiddleButton:
        post(CanvasMiddleButtonDown, modifiers);
        break;
    default:
        return;
    }
    pressed_ = event->button();
    doublePress_ = false;
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent *event) {
    // Qt reports the second press of a double click as this event alone: it
    // is a button down like any other, and its release completes the double click.
    mousePressEvent(event);
    if (pressed_ == event->button())
        doublePress_ = true;
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent *event) {
    trackMouse(event->position());
    const int modifiers = ModifierBits(event->modifiers());
    // A click is a press and a release of the same button on this canvas,
    // with the pointer still over it at the release.
    const bool completes = pressed_ == event->button() && rect().contains(mouse_);
    const bool twice = doublePress_;
    if (pressed_ == event->button()) {
        pressed_ = Qt::NoButton;
        doublePress_ = false;
    }
    switch (event->button()) {
    case Qt::LeftButton:
        post(CanvasLeftButtonUp, modifiers);
        if (completes)
            post(twice ? CanvasLeftDoubleClick : CanvasLeftClick, modifiers);
        break;
    case Qt::RightButton:
        post(CanvasRightButtonUp, modifiers);
        if (completes)
            post(twice ? CanvasRightDoubleClick : CanvasRightClick, modifiers);
        break;
    case Qt::MiddleButton:
        post(CanvasMiddleButtonUp, modifiers);
        break;
    default:
        break;
    }
}

void CanvasWidget::wheelEvent(QWheelEvent *event) {
    trackMouse(event->position());
    // Fine-grained wheels send parts of a notch; they add up to whole notches.
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / WheelNotch;
    wheelRemainder_ -= notches * WheelNotch;
    event->accept();
    if (notches != 0)
        post(CanvasMouseWheel, ModifierBits(event->modifiers()), 0, notches);
}

void CanvasWidget::keyPressEvent(QKeyEvent *event) {
    const int modifiers = ModifierBits(event->modifiers());
    // Shift+Tab arrives as Backtab; the canvas reports the Tab key with Shift.
    const int key = event->key() == Qt::Key_Backtab ? Qt::Key_Tab : event->key();
    event->accept();
    post(CanvasKeyDown, modifiers, key);
    // The typed character follows its key, Latin-1 only (code points above
    // 255 cannot be a byte of the document); Ctrl and Alt combinations are
    // commands, not typing.
    const QString text = event->text();
    if (text.isEmpty() || (modifiers & (ModControl | ModAlt)) != 0)
        return;
    const char16_t code = text.at(0).unicode();
    if (code >= 32 && code <= 255 && code != 127)
        post(CanvasInput, modifiers, key, 0, code);
}

void CanvasWidget::keyReleaseEvent(QKeyEvent *event) {
    event->accept();
    // A held key repeats its key down only, as one press would.
    if (event->isAutoRepeat())
        return;
    const int key = event->key() == Qt::Key_Backtab ? Qt::Key_Tab : event->key();
    post(CanvasKeyUp, ModifierBits(event->modifiers()), key);
}

// What a drag offers this canvas: files when it takes files and the drag
// carries local ones (they win over the text form a file manager adds),
// else text when it takes text.
CanvasWidget::DropOffer CanvasWidget::offer(const QMimeData *data) const {
    if (data == nullptr)
        return DropOffer::None;
    if (dropFiles_ && !LocalFiles(data).isEmpty())
        return DropOffer::Files;
    if (dropText_ && data->hasText())
        return DropOffer::Text;
    return DropOffer::None;
}

void CanvasWidget::dragEnterEvent(QDragEnterEvent *event) {
    AcceptAsCopy(event, offer(event->mimeData()) != DropOffer::None);
}

void CanvasWidget::dragMoveEvent(QDragMoveEvent *event) {
    AcceptAsCopy(event, offer(event->mimeData()) != DropOffer::None);
}

void CanvasWidget::dropEvent(QDropEvent *event) {
    const QMimeData *data = event->mimeData();
    const DropOffer what = offer(data);
    if (!AcceptAsCopy(event, what != DropOffer::None))
        return;
    trackMouse(event->position());
    Event drop;
    drop.window = ControlWindow(number_);
    drop.control = number_;
    drop.kind = EventDrop;
    drop.input.mouseX = mouse_.x();
    drop.input.mouseY = mouse_.y();
    drop.input.modifiers = ModifierBits(event->modifiers());
    if (what == DropOffer::Files) {
        // Each path stays whole: a name may contain a line feed.
        const QStringList files = LocalFiles(data);
        drop.type = DropFiles;
        for (const QString &file : files)
            drop.paths.push_back(file.toStdString());
        drop.text = files.join('\n').toStdString();
    } else {
        // As the clipboard's text: Latin-1, characters above 255 become "?".
        const QByteArray latin1 = data->text().toLatin1();
        drop.type = DropText;
        drop.text.assign(latin1.constData(), static_cast<size_t>(latin1.size()));
    }
    PostEvent(drop);
}

// ---- by number ----

int CreateCanvas(int number, int window, int x, int y, int width, int height, int flags) {
    QWidget *area = WindowControlArea(window);
    if (area == nullptr || number < -1)
        return -1;
    if (number == -1) {
        number = FirstAutomaticCanvas;
        while (ControlWidget(number) != nullptr)
            ++number;
    }
    // The window's widget tree owns the canvas; FreeControl deletes it.
    auto canvas = std::make_unique<CanvasWidget>(number, flags, area);
    canvas->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
    canvas->show();
    canvas->ensureImage();
    RegisterControl(number, window, canvas.get());
    canvas.release();
    return number;
}

CanvasWidget *GetCanvas(int number) { return dynamic_cast<CanvasWidget *>(ControlWidget(number)); }

void SetCanvasUserData(int number, void *data) {
    if (CanvasWidget *canvas = GetCanvas(number))
        canvas->setUserData(data);
}

void *GetCanvasUserData(int number) {
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr ? canvas->userData() : nullptr;
}

void SetCanvasPointer(int number, Pointer pointer) {
    if (CanvasWidget *canvas = GetCanvas(number))
        canvas->setPointer(pointer);
}

Pointer GetCanvasPointer(int number) {
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr ? canvas->pointer() : Pointer::Arrow;
}

bool CanvasHasFocus(int number) {
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr && canvas->hasFocus();
}

void SetCanvasToolTip(int number, const std::string &text) {
    if (CanvasWidget *canvas = GetCanvas(number))
        canvas->setCanvasToolTip(text);
}

std::string GetCanvasToolTip(int number) {
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr ? canvas->toolTip().toStdString() : std::string();
}

void SetCanvasDropFiles(int number, bool accept) {
    if (CanvasWidget *canvas = GetCanvas(number))
        canvas->setDropFiles(accept);
}

void SetCanvasDropText(int number, bool accept) {
    if (CanvasWidget *canvas = GetCanvas(number))
        canvas->setDropText(accept);
}

int CanvasWidth(int number) {
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr ? canvas->width() : 0;
}

int CanvasHeight(int number) {
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr ? canvas->height() : 0;
}

const QImage &CanvasImage(int number) {
    static const QImage none;
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr ? canvas->image() : none;
}

int64_t CanvasDrawCount(int number) {
    CanvasWidget *canvas = GetCanvas(number);
    return canvas != nullptr ? canvas->drawCount() : 0;
}

// ---- look ----

Colour GetSystemColour(SystemColour which) {
    QPalette::ColorRole role = QPalette::Button;
    switch (which) {
    case SystemColour::ButtonFace:
        role = QPalette::Button;
        break;
    case SystemColour::ButtonShadow:
        role = QPalette::Mid;
        break;
    case SystemColour::DarkShadow:
        role = QPalette::Shadow;
        break;
    case SystemColour::ButtonHighlight:
        role = QPalette::Light;
        break;
    case SystemColour::ButtonText:
        role = QPalette::ButtonText;
        break;
    }
    const QColor colour = QGuiApplication::palette().color(role);
    return RGBA(colour.red(), colour.green(), colour.blue(), 255);
}

QFont DefaultControlFont() { return QApplication::font(); }

QFont FixedFont(const std::string &family, int pointSize) {
    QFont font(QString::fromStdString(family), pointSize > 0 ? pointSize : 10);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

}  // namespace hx
