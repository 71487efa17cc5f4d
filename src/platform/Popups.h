#pragma once
// Popup menus shared by several windows (the data module's menus have no parent widget).

class QMenu;
class QPoint;
class QWidget;

namespace Platform {

// Opens `menu` at the screen point `at` as a popup of the window holding `from`. Wayland
// places a popup only relative to a parent window it is tied to, and without one the
// compositor is not asked to show it at all; X11 does not mind either way.
void popupMenu(QMenu* menu, QWidget* from, const QPoint& at);

} // namespace Platform
