#include "about/Un_About.h"

#include <QLabel>

Tfrm_about* frm_about = nullptr;

namespace {
QLabel* label(QWidget* parent, const QString& text, int top, int pixelSize, bool bold)
{
    auto* l = new QLabel(text, parent);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    l->setFont(font);
    l->move(16, top);
    l->adjustSize();
    return l;
}
} // namespace

Tfrm_about::Tfrm_about(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setGeometry(378, 270, 336, 193);
    setFixedSize(336, 193);
    Label1 = label(this, QStringLiteral("Lumeno "), 8, 24, true);
    Label2 = label(this, QStringLiteral("Version 1.0"), 33, 19, true);
    Label3 = label(this, QStringLiteral("A media player for the Linux desktop."), 64, 12, false);
    Label4 = label(this, QStringLiteral("Built with Qt and GStreamer."), 80, 12, false);
}
