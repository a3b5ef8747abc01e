#include "ToolBar.h"

#include <map>
#include <memory>

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QToolBar>

#include "Platform.h"

namespace hx {
namespace {

struct Button {
    QPointer<QAction> action;
    std::unique_ptr<QImage> image;
};

struct ToolBarRecord {
    QPointer<QToolBar> bar;
    std::map<int, Button> buttons;
    std::vector<int> order;
};

std::map<int, ToolBarRecord> &ToolBars() {
    static std::map<int, ToolBarRecord> bars;
    return bars;
}

ToolBarRecord *FindBar(int window) {
    auto it = ToolBars().find(window);
    if (it == ToolBars().end() || !it->second.bar) return nullptr;
    return &it->second;
}

Button *FindButton(int window, int id) {
    ToolBarRecord *record = FindBar(window);
    if (!record) return nullptr;
    auto it = record->buttons.find(id);
    if (it == record->buttons.end() || !it->second.action) return nullptr;
    return &it->second;
}

QString ToQ(const std::string &s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

bool CreateToolBar(int window) {
    QMainWindow *main = MainWindowWidget(window);
    if (!main) return false;
    if (ToolBarRecord *old = FindBar(window)) delete old->bar.data();
    ToolBars().erase(window);

    ToolBarRecord record;
    record.bar = new QToolBar(main);
    record.bar->setObjectName("toolbar");
    record.bar->setMovable(false);
    record.bar->setFloatable(false);
    record.bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The toolbar is part of the window's fixed layout, not something the
    // user switches off from a context menu.
    record.bar->toggleViewAction()->setVisible(false);
    main->setContextMenuPolicy(Qt::NoContextMenu);
    main->addToolBar(Qt::TopToolBarArea, record.bar);
    ToolBars()[window] = std::move(record);
    return true;
}

void AddToolBarButton(int window, int id, const QImage *image, const std::string &toolTip) {
    ToolBarRecord *record = FindBar(window);
    if (!record) return;
    // The text only shows when there is no image (Qt draws an icon-only
    // button's text when its icon is empty).
    QAction *action = record->bar->addAction(ToQ(toolTip));
    action->setToolTip(ToQ(toolTip));
    Button button;
    button.action = action;
    if (image && !image->isNull()) {
        button.image = std::make_unique<QImage>(*image);
        action->setIcon(QIcon(QPixmap::fromImage(*image)));
    }
    QObject::connect(action, &QAction::triggered, [id] { PostMenuEvent(id); });
    if (record->buttons.find(id) == record->buttons.end()) record->order.push_back(id);
    record->buttons[id] = std::move(button);
}

void AddToolBarSeparator(int window) {
    if (ToolBarRecord *record = FindBar(window)) record->bar->addSeparator();
}

bool HasToolBarButton(int window, int id) { return FindButton(window, id) != nullptr; }

void EnableToolBarButton(int window, int id, bool enable) {
    if (Button *button = FindButton(window, id)) button->action->setEnabled(enable);
}

bool IsToolBarButtonEnabled(int window, int id) {
    Button *button = FindButton(window, id);
    return button && button->action->isEnabled();
}

std::string ToolBarButtonToolTip(int window, int id) {
    Button *button = FindButton(window, id);
    return button ? button->action->toolTip().toStdString() : std::string();
}

const QImage *ToolBarButtonImage(int window, int id) {
    Button *button = FindButton(window, id);
    return button ? button->image.get() : nullptr;
}

std::vector<int> ToolBarButtonIds(int window) {
    ToolBarRecord *record = FindBar(window);
    return record ? record->order : std::vector<int>();
}

bool ClickToolBarButton(int window, int id) {
    Button *button = FindButton(window, id);
    if (!button || !button->action->isEnabled()) return false;
    button->action->trigger();
    return true;
}

int ToolBarHeight(int window) {
    ToolBarRecord *record = FindBar(window);
    if (!record) return 0;
    // Before the window is first shown the bar has no laid-out size yet.
    return record->bar->isVisible() ? record->bar->height() : record->bar->sizeHint().height();
}

}  // namespace hx
