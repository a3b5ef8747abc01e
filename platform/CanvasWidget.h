// The widget behind a canvas control: keeps an image of its own size, shows it
// when painted, and turns Qt's input events into canvas events in the queue.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <string>

#include "Canvas.h"
#include "Event.h"

class QMimeData;
class QPainter;

namespace hx {

class CanvasWidget : public QWidget {
public:
    CanvasWidget(int number, int flags, QWidget *parent);
    ~CanvasWidget() override;

    int number() const { return number_; }
    void *userData() const { return userData_; }
    void setUserData(void *data) { userData_ = data; }
    Pointer pointer() const { return pointer_; }
    void setPointer(Pointer pointer);
    void setCanvasToolTip(const std::string &text);
    void setDropFiles(bool accept);
    void setDropText(bool accept);

    // The image the canvas shows, in device pixels (devicePixelRatio set).
    QImage &image() { return image_; }
    // Makes the image match the widget's size (a hidden widget gets its
    // resize events only when shown, but may be drawn on before).
    void ensureImage();
    int64_t drawCount() const { return drawCount_; }
    // Drawing tells the canvas about its painter so that a resize or the
    // canvas's end stops the painter before its image goes away.
    void beginDrawing(QPainter *painter);
    bool isBeingDrawn() const { return painter_ != nullptr; }
    void endDrawing(QPainter *painter);

protected:
    bool event(QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    enum class DropOffer { None, Files, Text };
    DropOffer offer(const QMimeData *data) const;
    void post(int type, int modifiers, int key = 0, int wheel = 0, int character = 0);
    void trackMouse(const QPointF &position);
    void stopPainter();

    int number_;
    void *userData_ = nullptr;
    Pointer pointer_ = Pointer::Arrow;
    QImage image_;
    int64_t drawCount_ = 0;
    QPainter *painter_ = nullptr;   // the active Drawing's painter (owned by it)
    QPoint mouse_;                  // last known mouse position, canvas pixels
    int wheelRemainder_ = 0;        // wheel units short of a whole notch
    // Which button's press began on this canvas and whether it was the second
    // press of a double click (its release then reports the double click).
    Qt::MouseButton pressed_ = Qt::NoButton;
    bool doublePress_ = false;
    bool inside_ = false;           // mouse enter reported, leave not yet
    bool dropFiles_ = false;
    bool dropText_ = false;
};

}  // namespace hx
