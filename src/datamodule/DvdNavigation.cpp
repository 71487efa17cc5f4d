// SPDX-License-Identifier: GPL-3.0-or-later
// The DVD handlers of the data module: the two DVD menus, the Go To and subtitle items
// built from the disc, and the navigator's events shown in the player control window.
#include "datamodule/Un_dm.h"

#include "platform/Locale.h"
#include "player/Un_Mediactr.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QToolButton>

namespace {

constexpr int kLanguageItemsStart = 2; // after "Enabled" and the separator
constexpr int kSubpictureScan = 31;    // streams 0 .. 30

QString hms(int hours, int minutes, int seconds)
{
    return QString::asprintf("%d:%2.2d:%2.2d", hours, minutes, seconds);
}

// Takes every item out of a menu and frees it, submenus included.
void clearMenu(QMenu* menu)
{
    const QList<QAction*> items = menu->actions();
    for (QAction* a : items) {
        menu->removeAction(a);
        if (QMenu* sub = a->menu()) {
            delete sub;
        } else {
            delete a;
        }
    }
}

QAction* itemAt(QMenu* menu, int position)
{
    const QList<QAction*> items = menu->actions();
    return position >= 0 && position < items.size() ? items.at(position) : nullptr;
}

} // namespace

// ---------------------------------------------------------------- the menus

void TDM::createDvdMenus()
{
    Popup_DVD = new QMenu();
    DVDMenu1Menu = new QMenu(QStringLiteral("DVD Menu"));
    fillDvdMenu(Popup_DVD, true);
    fillDvdMenu(DVDMenu1Menu, false);
}

void TDM::fillDvdMenu(QMenu* menu, bool accelerators)
{
    auto text = [accelerators](const char* withKey, const char* plain) {
        return QString::fromLatin1(accelerators ? withKey : plain);
    };
    QAction* root = item(menu, text("&Menu (Root)", "Menu (Root)"), &TDM::MenuRoot1Click);
    QAction* title = item(menu, text("&Title Menu", "Title Menu"), &TDM::itleMenu1Click);
    menu->addSeparator();
    QMenu* goTo = menu->addMenu(text("&Go To", "Go To"));
    QMenu* speed = menu->addMenu(text("Pla&y Speed", "Play Speed"));
    QAction* fast = item(speed, text("&Fast Forward", "Fast Porward"), &TDM::Fast1Click);
    QAction* rewind = item(speed, text("&Rewind", "Rewind"), &TDM::Rewind1Click);
    menu->addSeparator();
    QMenu* subtitle = menu->addMenu(QStringLiteral("Subtitle"));
    subtitle->menuAction()->setEnabled(false);
    QAction* enabled = subtitle->addAction(QStringLiteral("Enabled"));
    enabled->setCheckable(true);
    // The handler owns the check mark: undo Qt's own toggle before it runs.
    connect(enabled, &QAction::triggered, this, [this, enabled]() {
        enabled->setChecked(!enabled->isChecked());
        Enable1Click(enabled);
    });
    subtitle->addSeparator();
    if (accelerators) {
        MenuRoot1 = root, itleMenu1 = title, GoTo1 = goTo, PlaySpeed1 = speed;
        Fast1 = fast, Rewind1 = rewind, Subtitle1 = subtitle, Enable1 = enabled;
    } else {
        MenuRoot2 = root, itle1 = title, GoTo2 = goTo, PlaySpeed2 = speed;
        FastPorward1 = fast, Rewind2 = rewind, Subtitle2 = subtitle, Enabled1 = enabled;
    }
}

void TDM::bindDvdEvents()
{
    FilterGraph1->OnDVDTitleChange = [this](TFilterGraph* s, int title) {
        FilterGraph1DVDTitleChange(s, title);
    };
    FilterGraph1->OnDVDChapterStart = [this](TFilterGraph* s, int chapter) {
        FilterGraph1DVDChapterStart(s, chapter);
    };
    FilterGraph1->OnDVDSubpictureStreamChange = [this](TFilterGraph* s, int sub, int lcid,
                                                       const QString& lang) {
        FilterGraph1DVDSubpictureStreamChange(s, sub, lcid, lang);
    };
    FilterGraph1->OnDVDDomainChange = [this](TFilterGraph* s, int domain) {
        FilterGraph1DVDDomainChange(s, domain);
    };
    FilterGraph1->OnDVDPlaybackRateChange = [this](TFilterGraph* s, double rate) {
        FilterGraph1DVDPlaybackRateChange(s, rate);
    };
    FilterGraph1->OnDVDCurrentHMSFTime = [this](TFilterGraph* s, const tagDVD_HMSF_TIMECODE& hmsf,
                                                const tagDVD_TIMECODE& tc) {
        FilterGraph1DVDCurrentHMSFTime(s, hmsf, tc);
    };
}

void TDM::BuildDvdGoToMenus()
{
    if (const std::shared_ptr<IDvdInfo2> info = FilterGraph1->QueryDvdInfo2()) {
        int volumes = 0, volume = 0, side = 0, titles = 0;
        if (Failed(info->GetDVDVolumeInfo(volumes, volume, side, titles))) {
            titles = 0;
        }
        clearMenu(GoTo1);
        clearMenu(GoTo2);
        for (int t = 1; t <= titles; ++t) {
            const QString caption = QStringLiteral("Title ") + QString::number(t);
            int chapters = 0;
            if (Failed(info->GetNumberOfChapters(t, chapters))) {
                chapters = 0;
            }
            for (QMenu* goTo : {GoTo1, GoTo2}) {
                if (chapters <= 0) {
                    // Its check mark follows the title events only; a click does nothing.
                    QAction* bare = goTo->addAction(caption);
                    bare->setCheckable(true);
                    connect(bare, &QAction::triggered, this,
                            [bare]() { bare->setChecked(!bare->isChecked()); });
                    continue;
                }
                auto* titleMenu = new QMenu(caption, goTo);
                titleMenu->menuAction()->setCheckable(true);
                for (int c = 1; c <= chapters; ++c) {
                    auto* chapter =
                        new QAction(QStringLiteral("Chapter ") + QString::number(c), titleMenu);
                    chapter->setCheckable(true);
                    connect(chapter, &QAction::triggered, this, [this, chapter]() {
                        chapter->setChecked(!chapter->isChecked());
                        DvdChapterItemClick(chapter);
                    });
                    titleMenu->addAction(chapter);
                }
                goTo->addMenu(titleMenu);
            }
        }
    }
    FTitleChanged = false;
    FCurChapter = FCurTitle = FPrevTitle = 0;
}

void TDM::setTitleChecked(int title, bool checked)
{
    for (QMenu* goTo : {GoTo1, GoTo2}) {
        if (QAction* a = itemAt(goTo, title - 1)) {
            a->setChecked(checked);
        }
    }
}

void TDM::setChapterChecked(int title, int chapter, bool checked)
{
    for (QMenu* goTo : {GoTo1, GoTo2}) {
        QAction* t = itemAt(goTo, title - 1);
        if (QAction* c = t && t->menu() ? itemAt(t->menu(), chapter - 1) : nullptr) {
            c->setChecked(checked);
        }
    }
}

// ---------------------------------------------------------------- commands

void TDM::DvdChapterItemClick(QAction* Sender)
{
    const std::shared_ptr<IDvdControl2> dvd = FilterGraph1->QueryDvdControl2();
    auto* titleMenu = qobject_cast<QMenu*>(Sender ? Sender->parent() : nullptr);
    auto* goTo = qobject_cast<QMenu*>(titleMenu ? titleMenu->parent() : nullptr);
    if (!dvd || !goTo) {
        return;
    }
    const int chapter = int(titleMenu->actions().indexOf(Sender)) + 1;
    const int title = int(goTo->actions().indexOf(titleMenu->menuAction())) + 1;
    dvd->PlayChapterInTitle(title, chapter, DVD_CMD_FLAG_Flush);
    QCoreApplication::processEvents();
}

void TDM::MenuRoot1Click()
{
    if (!FilterGraph1->Active()) {
        return;
    }
    if (const std::shared_ptr<IDvdControl2> dvd = FilterGraph1->QueryDvdControl2()) {
        dvd->ShowMenu(DVD_MENU_Root);
    }
}

void TDM::itleMenu1Click()
{
    if (!FilterGraph1->Active()) {
        return;
    }
    if (const std::shared_ptr<IDvdControl2> dvd = FilterGraph1->QueryDvdControl2()) {
        dvd->ShowMenu(DVD_MENU_Title);
    }
}

void TDM::Fast1Click()
{
    const std::shared_ptr<IDvdControl2> dvd =
        FilterGraph1->Active() ? FilterGraph1->QueryDvdControl2() : nullptr;
    if (!dvd) {
        return;
    }
    // Outside a title (a menu shows) the navigator refuses; the player stays as it is.
    if (Failed(dvd->PlayForwards(8.0))) {
        return;
    }
    Frm_PlayerControl->FPaused = true;
    Frm_PlayerControl->ToolPlay->setEnabled(true);
    Play1->setEnabled(true);
}

void TDM::Rewind1Click()
{
    const std::shared_ptr<IDvdControl2> dvd =
        FilterGraph1->Active() ? FilterGraph1->QueryDvdControl2() : nullptr;
    if (!dvd) {
        return;
    }
    if (Failed(dvd->PlayBackwards(8.0))) {
        return;
    }
    Frm_PlayerControl->FPaused = true;
    Frm_PlayerControl->ToolPlay->setEnabled(true);
    Play1->setEnabled(true);
}

void TDM::Enable1Click(QAction* Sender)
{
    const std::shared_ptr<IDvdControl2> dvd = FilterGraph1->QueryDvdControl2();
    if (!dvd) {
        return;
    }
    dvd->SetSubpictureState(!Sender->isChecked(), DVD_CMD_FLAG_Flush);
    Enable1->setChecked(!Enable1->isChecked());
    Enabled1->setChecked(!Enabled1->isChecked());
}

void TDM::DvdSubtitleItemClick(QAction* Sender)
{
    if (const std::shared_ptr<IDvdControl2> dvd = FilterGraph1->QueryDvdControl2()) {
        dvd->SelectSubpictureStream(Sender->data().toInt(), DVD_CMD_FLAG_Flush);
    }
}

// ---------------------------------------------------------------- subtitles

void TDM::BuildDvdSubtitleMenus()
{
    for (int n = int(Subtitle2->actions().size()); n > kLanguageItemsStart; --n) {
        delete itemAt(Subtitle2, kLanguageItemsStart);
        delete itemAt(Subtitle1, kLanguageItemsStart);
    }
    const std::shared_ptr<IDvdInfo2> info = FilterGraph1->QueryDvdInfo2();
    if (!info) {
        return;
    }
    for (int k = 0; k < kSubpictureScan; ++k) {
        int lcid = 0;
        if (Failed(info->GetSubpictureLanguage(k, lcid))) {
            continue;
        }
        if (lcid == 0) {
            if (Subtitle1->actions().size() <= kLanguageItemsStart) {
                Subtitle1->menuAction()->setEnabled(false);
                Subtitle2->menuAction()->setEnabled(false);
            }
            return;
        }
        const QString name = Platform::englishLanguageName(lcid);
        int available = 0, current = 0;
        bool disabled = true;
        const bool known = Succeeded(info->GetCurrentSubpicture(available, current, disabled));
        for (QMenu* subtitle : {Subtitle1, Subtitle2}) {
            auto* language = new QAction(name, subtitle);
            language->setCheckable(true);
            language->setData(k); // the stream, whatever gaps came before it
            language->setChecked(known && current == k);
            connect(language, &QAction::triggered, this, [this, language]() {
                language->setChecked(!language->isChecked());
                DvdSubtitleItemClick(language);
            });
            subtitle->addAction(language);
            subtitle->menuAction()->setEnabled(true);
        }
        if (known) {
            Enable1->setChecked(!disabled);
            Enabled1->setChecked(!disabled);
        }
    }
}

// ---------------------------------------------------------------- navigator events

void TDM::FilterGraph1DVDTitleChange(TFilterGraph*, int title)
{
    Frm_PlayerControl->pnl_jdl->setText(QStringLiteral("Title ") + QString::number(title));
    if (FCurTitle != 0) {
        setTitleChecked(FCurTitle, false);
    }
    FPrevTitle = FPrevTitle == 0 ? title : FCurTitle;
    FCurTitle = title;
    setTitleChecked(FCurTitle, true);
    FTitleChanged = true;
    const std::shared_ptr<IDvdInfo2> info = FilterGraph1->QueryDvdInfo2();
    DVD_MenuAttributes menu;
    DVD_TitleAttributes attributes;
    if (!info || Failed(info->GetTitleAttributes(title, menu, attributes))) {
        return;
    }
    if (menu.fSubpicturePresent) {
        BuildDvdSubtitleMenus();
    }
    Subtitle1->menuAction()->setEnabled(menu.fSubpicturePresent);
    Subtitle2->menuAction()->setEnabled(menu.fSubpicturePresent);
}

void TDM::FilterGraph1DVDChapterStart(TFilterGraph*, int chapter)
{
    if (FCurChapter != 0) {
        const bool left = FTitleChanged && FPrevTitle != FCurTitle;
        setChapterChecked(left ? FPrevTitle : FCurTitle, FCurChapter, false);
    }
    FCurChapter = chapter;
    setChapterChecked(FCurTitle, FCurChapter, true);
    FTitleChanged = false;

    QLabel* panel = Frm_PlayerControl->pnl_jdl;
    const QString s = panel->text();
    const int p = int(s.indexOf(QLatin1String("Chapter"))) + 1;
    if (p == 0) {
        panel->setText(s + QStringLiteral(", ") + QStringLiteral("Chapter ") +
                       QString::number(chapter));
    } else {
        panel->setText(s.left(p + 7) + QString::number(chapter));
    }
    BuildDvdSubtitleMenus();
    QCoreApplication::processEvents();
}

void TDM::FilterGraph1DVDSubpictureStreamChange(TFilterGraph*, int SubNum, int, const QString&)
{
    const std::shared_ptr<IDvdInfo2> info = FilterGraph1->QueryDvdInfo2();
    if (!info) {
        return;
    }
    if (Subtitle1->actions().size() > kLanguageItemsStart) {
        for (QMenu* subtitle : {Subtitle1, Subtitle2}) {
            const QList<QAction*> items = subtitle->actions().mid(kLanguageItemsStart);
            for (QAction* language : items) {
                language->setChecked(language->data().toInt() == SubNum);
            }
        }
    }
    int available = 0, current = 0;
    bool disabled = true;
    if (Succeeded(info->GetCurrentSubpicture(available, current, disabled))) {
        Enable1->setChecked(!disabled);
        Enabled1->setChecked(!disabled);
    }
}

void TDM::FilterGraph1DVDDomainChange(TFilterGraph*, int domain)
{
    Frm_PlayerControl->TrackBar1->setEnabled(domain == DVD_DOMAIN_Title);
}

void TDM::FilterGraph1DVDPlaybackRateChange(TFilterGraph*, double rate)
{
    TFrm_PlayerControl* player = Frm_PlayerControl;
    // Paused by a scan, not by Pause (which disables the Pause button).
    if (rate != 1.0 || !player->FPaused || !player->ToolPause->isEnabled()) {
        return;
    }
    player->FPaused = false;
    player->ToolPlay->setEnabled(false);
    player->ToolPause->setEnabled(true);
    player->ToolStop->setEnabled(true);
    Play1->setEnabled(false);
    Pause1->setEnabled(true);
    Stop1->setEnabled(true);
}

void TDM::FilterGraph1DVDCurrentHMSFTime(TFilterGraph*, const tagDVD_HMSF_TIMECODE& HMSFTimeCode,
                                         const tagDVD_TIMECODE&)
{
    TFrm_PlayerControl* player = Frm_PlayerControl;
    player->FTrackUpdating = true;
    const std::shared_ptr<IDvdInfo2> info = FilterGraph1->QueryDvdInfo2();
    tagDVD_HMSF_TIMECODE total;
    unsigned flags = 0;
    const bool haveTotal = info && Succeeded(info->GetTotalTitleTime(total, flags));
    const tagDVD_HMSF_TIMECODE& now = HMSFTimeCode;
    player->lbl_elepased->setText(hms(now.bHours, now.bMinutes, now.bSeconds));
    player->TrackBar1->setValue(now.bHours * 3600 + now.bMinutes * 60 + now.bSeconds);
    if (haveTotal) {
        player->lbl_elepased->setText(player->lbl_elepased->text() + QStringLiteral(" / ") +
                                      hms(total.bHours, total.bMinutes, total.bSeconds));
        player->TrackBar1->setMinimum(0);
        player->TrackBar1->setMaximum(total.bHours * 3600 + total.bMinutes * 60 + total.bSeconds);
    }
    player->FTrackUpdating = false;
    const auto ms = [](const tagDVD_HMSF_TIMECODE& t) {
        return (qint64(t.bHours) * 3600 + t.bMinutes * 60 + t.bSeconds) * 1000;
    };
    player->dvdResumeTick(FCurTitle, ms(now), haveTotal ? ms(total) : 0);
}
