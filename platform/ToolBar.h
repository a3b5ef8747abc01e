// The toolbar of a main window: image buttons with tool tips and separators.
// A button carries a command id; pressing it posts the same EventMenu event as
// the menu item of that id (window 0, type = data = id).
#pragma once

#include <string>
#include <vector>

class QImage;

namespace hx {

// Gives the main window its toolbar (replacing an older one). Returns false
// when the window was not opened with WindowMain.
bool CreateToolBar(int window);
// A button with image (nullptr: none, the tool tip text is shown instead so
// the button stays usable without a theme) and tool tip.
void AddToolBarButton(int window, int id, const QImage *image, const std::string &toolTip);
void AddToolBarSeparator(int window);

// Button state; a missing toolbar or id is ignored (queries answer false / "").
bool HasToolBarButton(int window, int id);
void EnableToolBarButton(int window, int id, bool enable);
bool IsToolBarButtonEnabled(int window, int id);
std::string ToolBarButtonToolTip(int window, int id);
const QImage *ToolBarButtonImage(int window, int id);
// Button ids in order.
std::vector<int> ToolBarButtonIds(int window);
// Presses the button as a user would: posts its event when it exists and is enabled.
bool ClickToolBarButton(int window, int id);

// Height of the toolbar in pixels (0 when there is none).
int ToolBarHeight(int window);

}  // namespace hx
