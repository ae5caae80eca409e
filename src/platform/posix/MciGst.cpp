// SPDX-License-Identifier: GPL-3.0-or-later
// The MCI on GStreamer: one MP3 pipeline per open device. Open prerolls and so
// reports a bad file at once; play returns at once; the end of playback comes
// back as a completion notice posted to the notification window. Built as a
// module of its own, loaded at the first command: GStreamer's libraries are
// not loaded while the window comes up.
#include <gst/gst.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/Mci.h"
#include "platform/posix/MciGst.h"

namespace {

GstClockTime waitLimit = 10 * GST_SECOND;

// When a wait that starts now must end, in g_get_monotonic_time's microseconds.
gint64 Deadline() { return g_get_monotonic_time() + gint64(waitLimit / GST_USECOND); }

// MCI keeps milliseconds in 32 bits: anything longer than 49.7 days is said as the most it holds.
DWORD ClampMs(double ms) {
    constexpr double kMost = std::numeric_limits<DWORD>::max();
    return ms >= kMost ? std::numeric_limits<DWORD>::max() : ms > 0 ? DWORD(ms) : 0;
}
DWORD MsOf(gint64 ns) { return ClampMs(double(ns / GST_MSECOND)); }

MciNoticeQueue noticeQueue;

void PostNotice(DWORD_PTR callback, DWORD outcome, MCIDEVICEID device) {
    if (callback != 0 && noticeQueue.post != nullptr) noticeQueue.post(callback, outcome, device);
}

// The default audio output where there is one; a silent sink that keeps time otherwise.
GstElement* MakeAudioSink() {
    static const bool haveOutput = [] {
        GstElement* probe = gst_element_factory_make("autoaudiosink", nullptr);
        if (probe == nullptr) return false;
        bool ok = gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        if (ok) {
            // autoaudiosink falls back to a fake sink of its own when nothing works.
            GstIterator* it = gst_bin_iterate_sinks(GST_BIN(probe));
            GValue item = G_VALUE_INIT;
            if (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
                GstElement* child = GST_ELEMENT(g_value_get_object(&item));
                GstElementFactory* factory = gst_element_get_factory(child);
                ok = factory != nullptr && std::strcmp(GST_OBJECT_NAME(factory), "fakesink") != 0;
                g_value_reset(&item);
            } else {
                ok = false;
            }
            g_value_unset(&item);
            gst_iterator_free(it);
        }
        gst_element_set_state(probe, GST_STATE_NULL);
        gst_object_unref(probe);
        return ok;
    }();
    if (haveOutput) return gst_element_factory_make("autoaudiosink", nullptr);
    GstElement* silent = gst_element_factory_make("fakesink", nullptr);
    g_object_set(silent, "sync", TRUE, nullptr);
    return silent;
}

// MPEG audio and nothing else, whatever the file holds: nothing picks a
// demuxer or decoder by the content, so a file named .mp3 reaches no video
// decoder. The ID3 tags around the audio are taken off first.
GstElement* Mp3Pipeline(const char* path) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* tags = gst_element_factory_make("id3demux", nullptr);
    GstElement* parse = gst_element_factory_make("mpegaudioparse", nullptr);
    GstElement* decode = gst_element_factory_make("mpg123audiodec", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* sink = MakeAudioSink();
    GstElement* all[] = {source, tags, parse, decode, convert, resample, sink};
    if (pipeline == nullptr || std::any_of(std::begin(all), std::end(all), [](GstElement* e) { return e == nullptr; })) {
        for (GstElement* e : all)
            if (e != nullptr) gst_object_unref(e);
        if (pipeline != nullptr) gst_object_unref(pipeline);
        return nullptr;
    }
    g_object_set(source, "location", path, nullptr);
    for (GstElement* e : all) gst_bin_add(GST_BIN(pipeline), e);
    if (!gst_element_link_many(source, tags, parse, decode, convert, resample, sink, nullptr)) {
        gst_object_unref(pipeline);
        return nullptr;
    }
    return pipeline;
}

MCIERROR ErrorOfMessage(GError* error) {
    if (error == nullptr) return MCIERR_INTERNAL;
    if (error->domain == GST_RESOURCE_ERROR) {
        if (error->code == GST_RESOURCE_ERROR_NOT_FOUND) return MCIERR_FILE_NOT_FOUND;
        if (error->code == GST_RESOURCE_ERROR_OPEN_READ || error->code == GST_RESOURCE_ERROR_READ)
            return MCIERR_FILE_READ;
        return MCIERR_HARDWARE;
    }
    if (error->domain == GST_STREAM_ERROR || error->domain == GST_CORE_ERROR) return MCIERR_INVALID_FILE;
    return MCIERR_INTERNAL;
}

struct Mp3Length {
    DWORD ms = 0;
    bool damagedHeader = false;  // GStreamer reads the same header and believes it
};

// The length of an MP3 by walking its frame headers: exact for constant and
// variable bit rates, a few ms per minute of sound. GStreamer knows the length
// of a long file only once it has parsed much of it, and the rewind rule needs
// it before the first play. Past kScanLimit the rest is extrapolated by size.
Mp3Length EstimateMp3Length(const char* path) {
    constexpr std::size_t kScanLimit = 32 << 20;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return {};
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::vector<unsigned char> data(std::min<std::size_t>(size > 0 ? size : 0, kScanLimit));
    data.resize(std::fread(data.data(), 1, data.size(), file));
    std::fclose(file);
    std::size_t at = 0;
    if (data.size() >= 10 && std::memcmp(data.data(), "ID3", 3) == 0)
        at = 10 + ((data[6] & 0x7F) << 21 | (data[7] & 0x7F) << 14 | (data[8] & 0x7F) << 7 | (data[9] & 0x7F));
    static const int kBitrates[2][16] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
                                         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};
    static const int kRates[3] = {44100, 48000, 32000};
    double seconds = 0;
    bool damagedHeader = false;
    std::size_t firstFrame = 0, scannedEnd = at;
    while (at + 4 <= data.size()) {
        const int version = (data[at + 1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
        const int bitrateIndex = data[at + 2] >> 4, rateIndex = (data[at + 2] >> 2) & 3;
        if (data[at] != 0xFF || (data[at + 1] & 0xE6) != 0xE2 || version == 1 || bitrateIndex == 0 ||
            bitrateIndex == 15 || rateIndex == 3) {
            ++at;  // not a layer III frame header: look further
            continue;
        }
        const bool mpeg1 = version == 3;
        const int rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
        const int bitrate = kBitrates[mpeg1 ? 0 : 1][bitrateIndex] * 1000;
        const int samples = mpeg1 ? 1152 : 576;
        if (seconds == 0) {
            firstFrame = at;
            const bool mono = (data[at + 3] >> 6) == 3;
            const std::size_t tag = at + 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
            if (tag + 12 <= data.size() && (data[tag + 7] & 1) &&
                (std::memcmp(&data[tag], "Xing", 4) == 0 || std::memcmp(&data[tag], "Info", 4) == 0)) {
                const std::uint64_t frames = std::uint64_t(data[tag + 8]) << 24 | data[tag + 9] << 16 |
                                             data[tag + 10] << 8 | data[tag + 11];
                // More frames than the file could hold even at the lowest bit rate: a damaged
                // header, so the frames are counted instead.
                const std::uint64_t smallestFrame = samples / 8 * kBitrates[mpeg1 ? 0 : 1][1] * 1000 / rate;
                if (frames > 0 && frames <= std::uint64_t(size - long(at)) / smallestFrame + 1)
                    return {ClampMs(1000.0 * double(frames) * samples / rate)};
                damagedHeader = true;
            }
        }
        seconds += double(samples) / rate;
        at += std::size_t(samples / 8 * bitrate / rate) + ((data[at + 2] >> 1) & 1);
        scannedEnd = at;
    }
    if (scannedEnd > firstFrame && size > long(data.size()))
        seconds *= double(size - long(firstFrame)) / double(scannedEnd - firstFrame);
    return {ClampMs(seconds * 1000), damagedHeader};
}

struct Device {
    MCIDEVICEID id = 0;
    GstElement* pipeline = nullptr;
    std::mutex mutex;          // guards the fields below against the streaming threads
    DWORD_PTR pendingNotify = 0;
    bool atEnd = false;
    bool idle = true;          // in READY at the start: see Open
    MCIERROR openError = 0;
    DWORD lengthMs = 0;
    Mp3Length estimate;           // until GStreamer knows the length

    ~Device() {
        if (pipeline == nullptr) return;
        gst_element_set_state(pipeline, GST_STATE_NULL);  // joins the streaming threads
        gst_object_unref(pipeline);
    }

    void Notify(DWORD outcome) {  // with mutex held
        PostNotice(pendingNotify, outcome, id);
        pendingNotify = 0;
    }

    // ASYNC when the state change has not finished by `deadline`.
    GstStateChangeReturn WaitUntil(gint64 deadline) {
        const gint64 left = std::max<gint64>(0, deadline - g_get_monotonic_time());
        return gst_element_get_state(pipeline, nullptr, nullptr, GstClockTime(left) * GST_USECOND);
    }

    // GStreamer's length once it knows it, the estimate until then.
    DWORD Length() {
        gint64 ns = 0;
        if (lengthMs == 0 && !estimate.damagedHeader && gst_element_query_duration(pipeline, GST_FORMAT_TIME, &ns) && ns > 0)
            lengthMs = MsOf(ns);
        return lengthMs != 0 ? lengthMs : estimate.ms;
    }

    static GstBusSyncReply OnMessage(GstBus*, GstMessage* message, gpointer data) {
        auto* device = static_cast<Device*>(data);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS: {
            std::lock_guard lock(device->mutex);
            device->atEnd = true;
            device->Notify(MCI_NOTIFY_SUCCESSFUL);
            break;
        }
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            std::lock_guard lock(device->mutex);
            if (device->openError == 0) device->openError = ErrorOfMessage(error);
            device->Notify(MCI_NOTIFY_FAILURE);
            g_clear_error(&error);
            break;
        }
        default: break;
        }
        return GST_BUS_DROP;
    }
};

class GstMci final : public MciApi {
public:
    MCIERROR SendCommand(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        if (message == MCI_OPEN) return Open(flags, reinterpret_cast<MCI_OPEN_PARMSA*>(params));
        auto it = devices_.find(id);
        if (it == devices_.end()) return MCIERR_INVALID_DEVICE_ID;
        Device& device = *it->second;
        switch (message) {
        case MCI_CLOSE: {
            {
                std::lock_guard lock(device.mutex);
                device.Notify(MCI_NOTIFY_ABORTED);
            }
            devices_.erase(it);
            return 0;
        }
        case MCI_PLAY: return Play(device, flags, reinterpret_cast<MCI_PLAY_PARMS*>(params));
        case MCI_STOP: return Stop(device);
        case MCI_SEEK: return SeekToStart(device, flags);
        case MCI_STATUS: return Status(device, flags, reinterpret_cast<MCI_STATUS_PARMS*>(params));
        default: return MCIERR_UNRECOGNIZED_COMMAND;
        }
    }

    bool GetErrorString(MCIERROR error, char* buffer, UINT length) override {
        static const std::map<MCIERROR, const char*> texts = {
            {MCIERR_INVALID_DEVICE_ID, "指定されたデバイス ID は無効です"},
            {MCIERR_UNRECOGNIZED_COMMAND, "認識できないコマンドです"},
            {MCIERR_HARDWARE, "オーディオ デバイスを使用できません。ほかのプログラムが使用していないか確認してください"},
            {MCIERR_CANNOT_LOAD_DRIVER, kCannotLoadDriverText},
            {MCIERR_UNSUPPORTED_FUNCTION, "この MCI デバイスではその操作はできません"},
            {MCIERR_FILE_NOT_FOUND, "指定されたファイルが見つかりません。パスとファイル名を確認してください"},
            {MCIERR_DEVICE_NOT_READY, "デバイスの準備ができませんでした。ファイルの読み込みが時間内に終わりません"},
            {MCIERR_INTERNAL, "MCI デバイスで内部エラーが発生しました"},
            {MCIERR_INVALID_FILE, "このファイルは再生できません。壊れているか、形式が正しくありません"},
            {MCIERR_FILE_READ, "ファイルを読み取れません。アクセス権とディスクを確認してください"},
        };
        auto it = texts.find(error);
        if (it == texts.end() || length == 0) return false;
        std::strncpy(buffer, it->second, length - 1);
        buffer[length - 1] = '\0';
        return true;
    }

private:
    MCIERROR Open(DWORD_PTR flags, MCI_OPEN_PARMSA* p) {
        if (!(flags & MCI_OPEN_ELEMENT) || p == nullptr || p->lpstrElementName == nullptr)
            return MCIERR_UNSUPPORTED_FUNCTION;
        // GStreamer reads its plugin registry on the first open, not while the window comes up.
        static const bool started = gst_init_check(nullptr, nullptr, nullptr);
        if (!started) return MCIERR_CANNOT_LOAD_DRIVER;
        struct stat st{};
        if (stat(p->lpstrElementName, &st) != 0) return errno == EACCES ? MCIERR_FILE_READ : MCIERR_FILE_NOT_FOUND;
        if (!S_ISREG(st.st_mode)) return MCIERR_INVALID_FILE;  // a folder, a pipe or a device: never wait on it
        auto device = std::make_unique<Device>();
        device->pipeline = Mp3Pipeline(p->lpstrElementName);
        if (device->pipeline == nullptr) return MCIERR_CANNOT_LOAD_DRIVER;
        GstBus* bus = gst_element_get_bus(device->pipeline);
        gst_bus_set_sync_handler(bus, &Device::OnMessage, device.get(), nullptr);
        gst_object_unref(bus);

        const gint64 deadline = Deadline();
        GstStateChangeReturn preroll = gst_element_set_state(device->pipeline, GST_STATE_PAUSED);
        if (preroll != GST_STATE_CHANGE_FAILURE) preroll = device->WaitUntil(deadline);
        {
            std::lock_guard lock(device->mutex);
            if (device->openError != 0) return device->openError;
        }
        if (preroll == GST_STATE_CHANGE_ASYNC) return MCIERR_DEVICE_NOT_READY;
        if (preroll == GST_STATE_CHANGE_FAILURE) return MCIERR_INVALID_FILE;
        device->estimate = EstimateMp3Length(p->lpstrElementName);
        device->Length();  // GStreamer's, while it is prerolled
        // A PulseAudio stream that was never uncorked keeps time while PAUSED, and its
        // sink's clock with it: a first play would wait that long in silence. READY
        // drops the stream; play prerolls a fresh one in a few ms.
        gst_element_set_state(device->pipeline, GST_STATE_READY);
        device->id = nextId_++;
        p->wDeviceID = device->id;
        devices_[device->id] = std::move(device);
        return 0;
    }

    MCIERROR Play(Device& device, DWORD_PTR flags, MCI_PLAY_PARMS* p) {
        {
            std::lock_guard lock(device.mutex);
            device.Notify(MCI_NOTIFY_SUPERSEDED);
            device.pendingNotify = (flags & MCI_NOTIFY) && p != nullptr ? p->dwCallback : 0;
            if (device.atEnd) {  // nothing left to play: done at once
                device.Notify(MCI_NOTIFY_SUCCESSFUL);
                return 0;
            }
        }
        if (gst_element_set_state(device.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            std::lock_guard lock(device.mutex);
            device.Notify(MCI_NOTIFY_FAILURE);
            return MCIERR_HARDWARE;
        }
        device.idle = false;
        return 0;
    }

    MCIERROR Stop(Device& device) {
        MCIERROR result = 0;
        if (!device.idle) {  // PAUSED keeps the position; READY is at the start already
            gst_element_set_state(device.pipeline, GST_STATE_PAUSED);
            if (device.WaitUntil(Deadline()) == GST_STATE_CHANGE_ASYNC) result = MCIERR_DEVICE_NOT_READY;
        }
        std::lock_guard lock(device.mutex);
        device.Notify(MCI_NOTIFY_ABORTED);
        return result;
    }

    MCIERROR SeekToStart(Device& device, DWORD_PTR flags) {
        if (!(flags & MCI_SEEK_TO_START)) return MCIERR_UNSUPPORTED_FUNCTION;
        {
            std::lock_guard lock(device.mutex);
            device.Notify(MCI_NOTIFY_ABORTED);
        }
        // READY is the start, reached without waiting for a preroll; play prerolls afresh.
        if (gst_element_set_state(device.pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) return MCIERR_HARDWARE;
        device.idle = true;
        std::lock_guard lock(device.mutex);
        device.atEnd = false;
        return 0;
    }

    MCIERROR Status(Device& device, DWORD_PTR flags, MCI_STATUS_PARMS* p) {
        if (!(flags & MCI_STATUS_ITEM) || p == nullptr) return MCIERR_UNSUPPORTED_FUNCTION;
        const DWORD length = device.Length();
        if (p->dwItem == MCI_STATUS_LENGTH) {
            p->dwReturn = length;
            return 0;
        }
        if (p->dwItem != MCI_STATUS_POSITION) return MCIERR_UNSUPPORTED_FUNCTION;
        {
            // GStreamer stops a few ms short of the length at the end of a
            // stream; the device reports the end as the length itself.
            std::lock_guard lock(device.mutex);
            if (device.atEnd) {
                p->dwReturn = length;
                return 0;
            }
        }
        gint64 ns = 0;
        const DWORD position = gst_element_query_position(device.pipeline, GST_FORMAT_TIME, &ns) && ns > 0
                                   ? DWORD(ns / GST_MSECOND) : 0;
        p->dwReturn = (length != 0 && position >= length) ? length - 1 : position;
        return 0;
    }

    std::map<MCIDEVICEID, std::unique_ptr<Device>> devices_;
    MCIDEVICEID nextId_ = 1;
};

}  // namespace

// The module's entries (see MciModule.cpp): the device, with the queue its
// notices go to, and the wait limit in ms, the one before returned.
extern "C" MciApi* quilvane_gst_mci(const MciNoticeQueue* queue) {
    noticeQueue = *queue;
    static GstMci mci;
    return &mci;
}

extern "C" std::int64_t quilvane_gst_wait_limit(std::int64_t ms) {
    const std::int64_t before = std::int64_t(waitLimit / GST_MSECOND);
    waitLimit = GstClockTime(std::max<std::int64_t>(0, ms)) * GST_MSECOND;
    return before;
}
