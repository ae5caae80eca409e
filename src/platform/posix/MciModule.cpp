// SPDX-License-Identifier: GPL-3.0-or-later
// The MCI of the GStreamer module (MciGst.cpp), loaded at the first command:
// GStreamer and its libraries cost some ms of every start-up otherwise.
#include <dlfcn.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/posix/MciGst.h"
#include "platform/posix/ProgramModule.h"

namespace {

MciNoticeQueue noticeQueue;

struct GstModule {
    MciApi* (*mci)(const MciNoticeQueue* queue) = nullptr;
    std::int64_t (*waitLimit)(std::int64_t ms) = nullptr;
    std::string failure;  // why it could not be loaded: dlerror() tells only once
};

// Loaded at the first call, or tried once.
const GstModule& Module() {
    static const GstModule module = [] {
        GstModule found;
        if (void* handle = OpenProgramModule("libquilvane-player.so")) {
            found.mci = reinterpret_cast<decltype(found.mci)>(dlsym(handle, "quilvane_gst_mci"));
            found.waitLimit = reinterpret_cast<decltype(found.waitLimit)>(dlsym(handle, "quilvane_gst_wait_limit"));
        }
        if (found.mci == nullptr || found.waitLimit == nullptr) {
            const char* error = dlerror();
            found.failure = error != nullptr ? error : "libquilvane-player.so: no MCI entries";
        }
        return found;
    }();
    return module;
}

// None when the module cannot be loaded.
const GstModule* Loaded() {
    const GstModule& module = Module();
    return module.failure.empty() ? &module : nullptr;
}

class LoadedMci final : public MciApi {
public:
    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        const GstModule* module = Loaded();
        if (module == nullptr) return MCIERR_CANNOT_LOAD_DRIVER;
        return module->mci(&noticeQueue)->SendCommand(device, message, flags, params);
    }

    bool GetErrorString(MCIERROR error, char* buffer, UINT length) override {
        if (const GstModule* module = Loaded()) return module->mci(&noticeQueue)->GetErrorString(error, buffer, length);
        if (error != MCIERR_CANNOT_LOAD_DRIVER || length == 0) return false;
        std::strncpy(buffer, kCannotLoadDriverText, length - 1);
        buffer[length - 1] = '\0';
        return true;
    }
};

}  // namespace

void UseMciNoticeQueue(const MciNoticeQueue& queue) { noticeQueue = queue; }

std::unique_ptr<MciNotifyTarget> MakeMciNotifyTarget() {
    if (noticeQueue.makeTarget == nullptr) throw std::logic_error("MCI notices used before start-up handed in a queue");
    return noticeQueue.makeTarget();
}

MciApi& PlatformMci() {
    static LoadedMci mci;
    return mci;
}

std::chrono::milliseconds SetMciWaitLimit(std::chrono::milliseconds limit) {
    const GstModule& module = Module();
    if (!module.failure.empty()) throw std::runtime_error(module.failure);
    return std::chrono::milliseconds(module.waitLimit(limit.count()));
}
