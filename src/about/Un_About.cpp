// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/Un_About.h"

#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/SystemConfig.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>

Tfrm_about* frm_about = nullptr;

const QString Tfrm_about::kNotice = QStringLiteral("(c) 2026 The Lumeno developers.");

namespace {

const QString kSection = QStringLiteral("Lumeno");
const QString kScheme = QStringLiteral("http://");
constexpr int kLinkSmall = 8;
constexpr int kLinkLarge = 10;

QLabel* label(QWidget* parent, const QString& text, int top, int pixelSize, bool bold)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText); // the address comes from outside and is no markup
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    l->setFont(font);
    l->move(16, top);
    l->adjustSize();
    return l;
}

// True only for a stored whole number 1; text of another kind counts as no value.
bool linkWanted(const IniFile& config)
{
    if (!config.ValueExists(kSection, QStringLiteral("website_exist"))) {
        return false;
    }
    bool isNumber = false;
    const int value = config.ReadString(kSection, QStringLiteral("website_exist"), QString())
                          .trimmed()
                          .toInt(&isNumber);
    return isNumber && value == 1;
}

// The support line looks like a link and is clicked like one: a screen reader meets it
// as a link it can press, not as plain text.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(QLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<QLabel*>(widget())->text()
                                      : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        auto* about = qobject_cast<Tfrm_about*>(widget()->window());
        if (name == pressAction() && about) {
            about->Label6Click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
};

// Asked also while windows are being destroyed: it compares, never reaches into one.
QPointer<QLabel> g_link;

QAccessibleInterface* linkAccessible(const QString&, QObject* object)
{
    return object && object == g_link.data() ? new LinkAccessible(g_link.data()) : nullptr;
}

} // namespace

Tfrm_about::Tfrm_about(QWidget* parent) : QWidget(parent)
{
    static const bool linkFactory = (QAccessible::installFactory(linkAccessible), true);
    Q_UNUSED(linkFactory);
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setGeometry(378, 270, 336, 193);
    setFixedSize(336, 193);
    Label1 = label(this, QStringLiteral("Lumeno "), 8, 24, true);
    Label2 = label(this, QStringLiteral("Version 1.0"), 33, 19, true);
    Label3 = label(this, kNotice, 64, 12, false);
    Label4 = label(this, QStringLiteral("Plays through Qt and GStreamer."), 80, 12, false);
    Label5 = label(this, QStringLiteral("Support/Contact Details :"), 112, 12, false);
    Label6 = new QLabel(this);
    Label6->setTextFormat(Qt::PlainText);
    Label6->move(16, 128);
    Label6->setCursor(Qt::PointingHandCursor);
    g_link = Label6;
    // The link is a command too: Tab reaches it, Enter or Space opens it.
    Label6->setFocusPolicy(Qt::TabFocus);
    Label6->installEventFilter(this);
    setLinkFont(kLinkSmall, Qt::black);
    Label5->hide();
    Label6->hide();

    btn_close = new QPushButton(QStringLiteral("Close"), this);
    btn_close->setGeometry(248, 160, 75, 25);
    btn_close->setCursor(Qt::PointingHandCursor);
    btn_close->setDefault(true);
    connect(btn_close, &QPushButton::clicked, this, &Tfrm_about::btn_closeClick);
    setFocusProxy(btn_close);
}

QString Tfrm_about::defaultAddress()
{
    QString host = QApplication::applicationDisplayName();
    host.remove(QLatin1Char(' '));
    return QStringLiteral("www.") + host.toLower() + QStringLiteral(".org");
}

void Tfrm_about::FormShow()
{
    const IniFile config(Platform::systemConfigPath());
    if (linkWanted(config)) {
        QString address =
            config.ReadString(kSection, QStringLiteral("website_address"), QString()).trimmed();
        if (address.isEmpty()) {
            Label1->setText(QApplication::applicationDisplayName());
            Label1->adjustSize();
            address = defaultAddress();
        }
        Label3->setText(kNotice + QLatin1Char(' ') + address);
        Label6->setText(kScheme + address);
        Label6->adjustSize();
        Label5->show();
        Label6->show();
        FLinkShown = true;
    } else {
        Label3->setText(kNotice);
        Label5->hide();
        Label6->hide();
        FLinkShown = false;
    }
    Label3->adjustSize();
    update();
}

void Tfrm_about::Label6Click()
{
    Platform::dialogs().openDocument(Label6->text());
}

void Tfrm_about::Label6MouseEnter()
{
    setLinkFont(kLinkLarge, Qt::blue);
    FLinkHot = true;
    update();
}

void Tfrm_about::Label6MouseLeave()
{
    setLinkFont(kLinkSmall, Qt::black);
    FLinkHot = false;
    update();
}

void Tfrm_about::btn_closeClick()
{
    close();
}

void Tfrm_about::setLinkFont(int pointSize, const QColor& colour)
{
    QFont font = this->font();
    font.setPointSize(pointSize);
    Label6->setFont(font);
    QPalette palette = Label6->palette();
    palette.setColor(QPalette::WindowText, colour);
    Label6->setPalette(palette);
    Label6->adjustSize();
}

void Tfrm_about::showEvent(QShowEvent* event)
{
    FormShow();
    btn_close->setFocus();
    QWidget::showEvent(event);
}

void Tfrm_about::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black));
    painter.drawLine(16, 60, 300, 60);
    if (FLinkShown) {
        const int y = FLinkHot ? 144 : 141;
        painter.setPen(QPen(FLinkHot ? Qt::blue : Qt::black));
        painter.drawLine(16, y, 16 + Label6->width(), y);
    }
    if (Label6->isVisible() && Label6->hasFocus()) {
        QStyleOptionFocusRect frame;
        frame.initFrom(Label6);
        frame.rect = Label6->geometry().adjusted(-2, -1, 2, 1);
        frame.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        frame.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
}

void Tfrm_about::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        btn_closeClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool Tfrm_about::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label6) {
        switch (event->type()) {
        case QEvent::Enter:
            Label6MouseEnter();
            break;
        case QEvent::Leave:
            Label6MouseLeave();
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            update(); // the focus frame is drawn by the window around the link
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                Label6Click();
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                Label6->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
                Label6Click();
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
