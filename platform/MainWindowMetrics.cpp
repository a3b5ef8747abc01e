#include "MainWindowMetrics.h"

#include <QMainWindow>

#include "Menu.h"
#include "Platform.h"
#include "StatusBar.h"
#include "ToolBar.h"

namespace hx {

MainWindowMetrics MeasureMainWindow(int window) {
    MainWindowMetrics metrics;
    QMainWindow *main = MainWindowWidget(window);
    if (!main) return metrics;
    metrics.innerWidth = main->width();
    metrics.innerHeight = main->height();
    metrics.menuBarHeight = MenuBarHeight(window);
    metrics.toolBarHeight = ToolBarHeight(window);
    metrics.statusBarHeight = StatusBarHeight(window);
    return metrics;
}

}  // namespace hx
