// SPDX-License-Identifier: GPL-3.0-or-later
// Open and play of a five-minute MP3 until sound reaches the sink, against a
// bare GStreamer playbin doing the same.
#include <QCoreApplication>
#include <gst/gst.h>
#include <atomic>

#include "BenchSupport.h"
#include "player/MediaPlayer.h"
#include "support/Fixtures.h"
#include "qt/PlatformServices.h"

namespace {

DWORD Position(TMediaPlayer& player) {
    MCI_STATUS_PARMS p;
    p.dwItem = MCI_STATUS_POSITION;
    PlatformMci().SendCommand(player.MciDevice, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p));
    return static_cast<DWORD>(p.dwReturn);
}

// playbin with a silent sink, from nothing to the first buffer the sink renders while playing.
void BarePlaybin(const Bytes& path) {
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", TRUE, "signal-handoffs", TRUE, nullptr);
    g_object_set(playbin, "uri", uri, "audio-sink", sink, nullptr);
    std::atomic<bool> rendered{false};
    g_signal_connect(sink, "handoff", G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer data) {
                         static_cast<std::atomic<bool>*>(data)->store(true);
                     }),
                     &rendered);
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    while (!rendered) g_usleep(200);
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
    g_free(uri);
}

}  // namespace

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QCoreApplication application(argc, argv);
    gst_init(nullptr, nullptr);
    TempDir dir;
    const Bytes song = dir / "five-minutes.mp3";
    MakeMp3(song, 5 * 60 * 1000);
    const double baseline = MedianMs(15, [&] { BarePlaybin(song); });
    const double ours = MedianMs(15, [&] {
        TMediaPlayer player;
        player.FileName = song;
        player.PlayerOpen();
        player.PlayerPlay();
        while (Position(player) == 0) g_usleep(200);
    });
    Report("open_and_play_5min_mp3", ours, baseline);
    return 0;
}
