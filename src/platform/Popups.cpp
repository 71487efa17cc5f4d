#include "platform/Popups.h"

#include <QMenu>
#include <QWidget>
#include <QWindow>

namespace Platform {

void popupMenu(QMenu* menu, QWidget* from, const QPoint& at)
{
    if (!menu) {
        return;
    }
    QWidget* owner = from ? from->window() : nullptr;
    if (owner && !menu->parentWidget()) {
        menu->winId(); // a window handle to tie to the owner
        if (QWindow* handle = menu->windowHandle()) {
            handle->setTransientParent(owner->windowHandle());
        }
    }
    menu->popup(at);
}

} // namespace Platform
