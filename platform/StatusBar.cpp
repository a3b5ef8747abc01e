#include "StatusBar.h"

#include <map>

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>

#include "Platform.h"

namespace hx {
namespace {

struct StatusRecord {
    QPointer<QStatusBar> bar;
    std::vector<QPointer<QLabel>> fields;
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
        label->setFixedWidth(width > 0 ? width : 0);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setContentsMargins(2, 0, 2, 0);
        record.bar->addWidget(label);
        record.fields.push_back(label);
    }
    main->setStatusBar(record.bar);
    StatusBars()[window] = std::move(record);
    return true;
}

void SetStatusBarText(int field, const std::string &text, int window) {
    if (QLabel *label = Field(window, field)) label->setText(QString::fromStdString(text));
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
