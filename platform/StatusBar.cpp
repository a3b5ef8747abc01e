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

// Places the fields that take the rest of their bar after the last fixed
// field, as high as it, up to the bar's end (less the size grip's room).
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
            for (const QPointer<QLabel> &field : record.fields) {
                if (!field) continue;
                if (field->minimumWidth() == field->maximumWidth()) {
                    last = field;
                    continue;
                }
                const int x = last ? last->geometry().right() + 4 : 0;
                const int grip = bar->isSizeGripEnabled() ? 16 : 0;
                const QRect row = last ? last->geometry() : QRect(0, 0, 0, bar->height());
                field->setGeometry(x, row.y(), std::max(bar->width() - x - grip, 0), row.height());
            }
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
        } else {
            // The rest of the bar, placed by hand: as an item of the bar's
            // layout it would make the window wider than the fixed fields do.
            record.bar->installEventFilter(RestPlacer());
        }
        record.fields.push_back(label);
    }
    record.note = new QLabel(record.bar);
    record.note->setTextFormat(Qt::PlainText);
    record.note->setContentsMargins(4, 0, 2, 0);
    record.note->setMinimumWidth(1);   // a long note is cut, not the window widened
    record.bar->addWidget(record.note, 1);
    record.note->hide();   // takes no room (nor minimum width) until there is a note
    record.noteTimer = new QTimer(record.bar);
    record.noteTimer->setSingleShot(true);
    QObject::connect(record.noteTimer, &QTimer::timeout, record.note.data(), [label = record.note] {
        if (label) {
            label->clear();
            label->setToolTip(QString());
            label->hide();
        }
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
}

void SetStatusBarNote(const std::string &text, int window) {
    auto it = StatusBars().find(window);
    if (it == StatusBars().end() || !it->second.note) return;
    const QString shown = QString::fromStdString(text);
    it->second.note->setText(shown);
    it->second.note->setToolTip(shown);
    it->second.note->setVisible(!shown.isEmpty());
    if (it->second.noteTimer) it->second.noteTimer->start(NoteMilliseconds);
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
