#include "StatusBar.h"

#include <algorithm>
#include <map>

#include <QEvent>

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include "Platform.h"

namespace hx {
namespace {

struct StatusRecord {
    QPointer<QStatusBar> bar;
    std::vector<QPointer<QLabel>> fields;
    QPointer<QLabel> note;
    QPointer<QTimer> noteTimer;
};

std::map<int, StatusRecord> &StatusBars() {
    static std::map<int, StatusRecord> bars;
    return bars;
}

QLabel *Field(int window, int field) {
    auto it = StatusBars().find(window);
    if (it == StatusBars().end() || !it->second.bar) return nullptr;
    if (field < 0 || field >= static_cast<int>(it->second.fields.size())) return nullptr;
    return it->second.fields[field].data();
}

bool Fixed(const QLabel *field) { return field->minimumWidth() == field->maximumWidth(); }

// Places, by hand, what follows the last fixed field up to the bar's end
// (less the size grip's room), as high as that field: the fields that take
// the rest of the bar, and the note. While a note shows, those fields are as
// wide as their text and the note has what is left (cut when little is).
class RestFieldPlacer : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)
            Place(static_cast<QStatusBar *>(watched));
        return false;
    }
    static void Place(QStatusBar *bar) {
        for (auto &[window, record] : StatusBars()) {
            if (record.bar != bar) continue;
            QLabel *last = nullptr;
            for (const QPointer<QLabel> &field : record.fields)
                if (field && Fixed(field)) last = field;
            int x = last ? last->geometry().right() + 4 : 0;
            const int end = bar->width() - (bar->isSizeGripEnabled() ? 16 : 0);
            const QRect row = last ? last->geometry() : QRect(0, 0, 0, bar->height());
            const bool noted = record.note && !record.note->isHidden();
            for (const QPointer<QLabel> &field : record.fields) {
                if (!field || Fixed(field)) continue;
                const int width = std::max(noted ? std::min(field->sizeHint().width(), end - x) : end - x, 0);
                field->setGeometry(x, row.y(), width, row.height());
                x += width + 4;
            }
            if (noted) record.note->setGeometry(x, row.y(), std::max(end - x, 0), row.height());
        }
    }
};

RestFieldPlacer *RestPlacer() {
    static RestFieldPlacer placer;
    return &placer;
}

}  // namespace

bool CreateStatusBar(int window, const std::vector<int> &widths) {
    QMainWindow *main = MainWindowWidget(window);
    if (!main) return false;
    StatusRecord record;
    // setStatusBar deletes the window's previous status bar.
    record.bar = new QStatusBar(main);
    record.bar->setSizeGripEnabled(true);
    for (int width : widths) {
        auto *label = new QLabel(record.bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setContentsMargins(2, 0, 2, 0);
        if (width > 0) {
            label->setFixedWidth(width);
            record.bar->addWidget(label);
        }
        // A field for the rest of the bar is placed by hand: as an item of
        // the bar's layout it would make the window wider than the fixed
        // fields do.
        record.fields.push_back(label);
    }
    // The note, placed by hand too: a long one is cut, not the window widened.
    record.bar->installEventFilter(RestPlacer());
    record.note = new QLabel(record.bar);
    record.note->setTextFormat(Qt::PlainText);
    record.note->setContentsMargins(4, 0, 2, 0);
    record.note->hide();   // until there is a note
    record.noteTimer = new QTimer(record.bar);
    record.noteTimer->setSingleShot(true);
    QObject::connect(record.noteTimer, &QTimer::timeout, record.note.data(), [label = record.note, bar = record.bar] {
        if (label) {
            label->clear();
            label->setToolTip(QString());
            label->hide();
        }
        if (bar) RestFieldPlacer::Place(bar);
    });
    main->setStatusBar(record.bar);
    QStatusBar *bar = record.bar;
    StatusBars()[window] = std::move(record);
    RestFieldPlacer::Place(bar);
    return true;
}

void SetStatusBarText(int field, const std::string &text, int window) {
    QLabel *label = Field(window, field);
    if (!label) return;
    // Fields are cut at their width (the last one at the window's edge, where a
    // read-only notice or a long offset may not fit): the tool tip shows it whole.
    const QString shown = QString::fromStdString(text);
    label->setText(shown);
    label->setToolTip(shown);
    // Beside a note, a field for the rest of the bar is as wide as its text.
    if (!Fixed(label)) RestFieldPlacer::Place(static_cast<QStatusBar *>(label->parentWidget()));
}

void SetStatusBarNote(const std::string &text, int window) {
    auto it = StatusBars().find(window);
    if (it == StatusBars().end() || !it->second.note) return;
    const QString shown = QString::fromStdString(text);
    it->second.note->setText(shown);
    it->second.note->setToolTip(shown);
    it->second.note->setVisible(!shown.isEmpty());
    if (it->second.noteTimer) it->second.noteTimer->start(NoteMilliseconds);
    RestFieldPlacer::Place(it->second.bar);
}

std::string StatusBarNote(int window) {
    auto it = StatusBars().find(window);
    if (it == StatusBars().end() || !it->second.note) return {};
    return it->second.note->text().toStdString();
}

std::string StatusBarText(int field, int window) {
    QLabel *label = Field(window, field);
    return label ? label->text().toStdString() : std::string();
}

int StatusBarFieldCount(int window) {
    auto it = StatusBars().find(window);
    if (it == StatusBars().end() || !it->second.bar) return 0;
    return static_cast<int>(it->second.fields.size());
}

int StatusBarFieldWidth(int field, int window) {
    QLabel *label = Field(window, field);
    return label ? label->width() : 0;
}

int StatusBarHeight(int window) {
    auto it = StatusBars().find(window);
    if (it == StatusBars().end() || !it->second.bar) return 0;
    QStatusBar *bar = it->second.bar;
    return bar->isVisible() ? bar->height() : bar->sizeHint().height();
}

}  // namespace hx
