// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player control window as the desktop's media controls see it: each command is
// the click of the matching tool-bar button, each property read off the window.

#include "engine/MediaTags.h"
#include "platform/Mpris.h"

#include <QPointer>

class TFrm_PlayerControl;

class PlayerRemote : public Platform::MprisTarget {
public:
    explicit PlayerRemote(TFrm_PlayerControl* player) : m_player(player) {}

    void play() override;
    void pause() override;
    void playPause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void raise() override;
    void quit() override;
    void openFile(const QString& path) override;

    QString playbackStatus() const override;
    Track currentTrack() const override;
    qint64 positionUs() const override;
    double volume() const override;
    void setVolume(double value) override;
    bool canPlay() const override;
    bool canPause() const override;
    bool canGoNext() const override;
    bool canGoPrevious() const override;
    bool canSeek() const override;
    void seekTo(qint64 positionUs) override;
    QString loopStatus() const override;
    void setLoopStatus(const QString& value) override;
    bool shuffle() const override;
    void setShuffle(bool value) override;
    void watch(std::function<void()> changed) override;

private:
    QString currentKind() const;
    bool playingCd() const;
    QString coverArtPath(const MediaTags& tags) const;

    TFrm_PlayerControl* m_player;
    QPointer<QObject> m_watcher;     // a child of the player window, gone with it
    mutable QByteArray m_coverImage; // the picture last written, and its file
    mutable QString m_coverPath;
};
