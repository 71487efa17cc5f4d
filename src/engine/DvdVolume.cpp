// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DvdVolume.h"

#include <QFile>
#include <QMap>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

namespace {

QString languageOf(const subp_attr_t& attr)
{
    // A language is given only when the type field says so and both letters are set.
    if (attr.type != 1 || attr.lang_code <= 0x100) {
        return QString();
    }
    const char code[3] = {char(attr.lang_code >> 8), char(attr.lang_code & 0xFF), 0};
    return QString::fromLatin1(code).toLower();
}

// The subpicture streams of one title: languages from the title set, presence and
// physical numbers from the title's first program chain.
QList<DvdSubpictureStream> subpicturesOf(ifo_handle_t* vts, int vtsTitle)
{
    QList<DvdSubpictureStream> streams;
    const vtsi_mat_t* mat = vts->vtsi_mat;
    const int count = qMin<int>(mat->nr_of_vts_subp_streams, 32);
    const pgc_t* pgc = nullptr;
    if (vts->vts_ptt_srpt && vtsTitle >= 1 && vtsTitle <= vts->vts_ptt_srpt->nr_of_srpts &&
        vts->vts_pgcit) {
        const ttu_t& ttu = vts->vts_ptt_srpt->title[vtsTitle - 1];
        const int pgcn = ttu.nr_of_ptts > 0 ? ttu.ptt[0].pgcn : 0;
        if (pgcn >= 1 && pgcn <= vts->vts_pgcit->nr_of_pgci_srp) {
            pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
        }
    }
    for (int k = 0; k < count; ++k) {
        DvdSubpictureStream s;
        s.language = languageOf(mat->vts_subp_attr[k]);
        if (pgc && (pgc->subp_control[k] & 0x80000000u)) {
            s.physical = int((pgc->subp_control[k] >> 24) & 0x1F);
        }
        streams << s;
    }
    return streams;
}

} // namespace

DvdVolumeInfo readDvdVolume(const QString& folder)
{
    DvdVolumeInfo info;
    dvd_reader_t* dvd = DVDOpen(QFile::encodeName(folder).constData());
    if (!dvd) {
        return info;
    }
    ifo_handle_t* vmg = ifoOpen(dvd, 0);
    if (!vmg || !vmg->tt_srpt) {
        if (vmg) {
            ifoClose(vmg);
        }
        DVDClose(dvd);
        return info;
    }
    QMap<int, ifo_handle_t*> titleSets;
    for (int t = 0; t < vmg->tt_srpt->nr_of_srpts; ++t) {
        const title_info_t& entry = vmg->tt_srpt->title[t];
        DvdTitleInfo title;
        title.chapters = entry.nr_of_ptts;
        const int set = entry.title_set_nr;
        if (!titleSets.contains(set)) {
            titleSets.insert(set, ifoOpen(dvd, set));
        }
        if (ifo_handle_t* vts = titleSets.value(set); vts && vts->vtsi_mat) {
            title.menuSubpicture = vts->vtsi_mat->nr_of_vtsm_subp_streams > 0;
            title.subpictures = subpicturesOf(vts, entry.vts_ttn);
        }
        info.titles << title;
    }
    for (ifo_handle_t* vts : std::as_const(titleSets)) {
        if (vts) {
            ifoClose(vts);
        }
    }
    ifoClose(vmg);
    DVDClose(dvd);
    info.valid = true;
    return info;
}

QString dvdDiscId(const QString& folder)
{
    dvd_reader_t* dvd = DVDOpen(QFile::encodeName(folder).constData());
    if (!dvd) {
        return QString();
    }
    unsigned char id[16] = {};
    const bool read = DVDDiscID(dvd, id) == 0;
    DVDClose(dvd);
    return read ? QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(id), 16).toHex())
                : QString();
}
