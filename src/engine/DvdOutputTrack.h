// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// When the DVD source's title and chapter changes come out of the graph. The source
// reads well ahead of what plays, so its own answer changes early; each change is kept
// with the running time at which its data reaches the output.

#include <gst/gst.h>

#include <deque>
#include <memory>
#include <mutex>

class DvdOutputTrack {
public:
    // Watches the pictures leaving the DVD bin's demuxer in pipeline; source (the disc
    // reader) tells title and chapter. Null when the bin holds no such demuxer.
    static std::shared_ptr<DvdOutputTrack> watch(GstElement* pipeline, GstElement* source);
    explicit DvdOutputTrack(GstElement* source);
    ~DvdOutputTrack();
    DvdOutputTrack(const DvdOutputTrack&) = delete;
    DvdOutputTrack& operator=(const DvdOutputTrack&) = delete;

    // Moves title and chapter on to the last change that has come out by running time
    // now; left alone while none has.
    void shown(GstClockTime now, int& title, int& chapter);

    // The streaming thread's side.
    void flushed();
    void read(GstPad* pad, GstBuffer* buffer);

private:
    GstClockTime outputTime(const GstSegment& now, GstClockTime ts);

    struct Change {
        GstClockTime at;
        int title;
        int chapter;
    };
    std::mutex m_lock;
    std::deque<Change> m_changes;
    int m_title = -1;
    int m_chapter = -1;
    GstClockTime m_lastAt = 0;
    // Each cell comes with a segment whose time line starts again; the output plays
    // the cells one after the other, so a new segment continues where the last ended.
    GstClockTime m_offset = 0;
    GstSegment m_segment;
    bool m_segmentKnown = false;
    GstElement* m_source;
};
