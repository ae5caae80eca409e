// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"
// HRESULT, S_OK, E_FAIL, ..., VARIANT_BOOL: ours on POSIX, the platform's on
// Windows; the backend's folder is on the include path.
#include "ComTypes.h"

// The small part of COM that hosting the viewer control needs: result codes,
// a class registry, the thread's error info and the platform's message texts.
// No window type appears here: each front end activates controls in its own.

inline bool Succeeded(HRESULT hr) { return hr >= 0; }

// The viewer's default interface: the five operations the program calls.
class IAcroAXDocShim {
public:
    virtual ~IAcroAXDocShim() = default;
    virtual HRESULT LoadFile(const std::u16string& path, VARIANT_BOOL* loaded) = 0;
    virtual HRESULT setShowToolbar(std::int32_t on) = 0;
    virtual HRESULT setLayoutMode(const std::u16string& layout) = 0;
    virtual HRESULT setView(const std::u16string& view) = 0;
    virtual HRESULT setShowScroll(std::int32_t on) = 0;
};

struct HimetricSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};

// An embeddable control as its container sees it, before it has a window.
class OleControl {
public:
    virtual ~OleControl() = default;
    // IDispatch, then the default interface; null when the control lacks it.
    virtual IAcroAXDocShim* QueryDefaultInterface() = 0;
    virtual HRESULT GetExtent(HimetricSize* size) = 0;
    virtual HRESULT SetExtent(const HimetricSize& size) = 0;
    // IPersistStreamInit: Load with the persisted bytes, InitNew when there are none.
    virtual HRESULT LoadPersistedState(const std::vector<std::uint8_t>& state) = 0;
    virtual HRESULT InitNew() = 0;
    virtual void Close() = 0;
    // The container's event sink: the control calls it with a dispatch id.
    std::function<void(int dispatchId)> eventSink;
};

// In-place activation in a front end's windows (QWidget* and QRect, or HWND
// and RECT). A control that lacks it for the host's window type cannot be activated.
template <typename Window, typename Rect>
class InPlaceActivation {
public:
    virtual ~InPlaceActivation() = default;
    // In-place activation in `parent` at `bounds`; false when no in-place object results.
    virtual bool InPlaceActivate(Window parent, const Rect& bounds) = 0;
    // The in-place window, once active.
    virtual Window InPlaceWindow() = 0;
};

using ControlFactory = std::function<std::unique_ptr<OleControl>()>;
void RegisterControlClass(const std::string& classId, ControlFactory factory);
void UnregisterControlClass(const std::string& classId);
// REGDB_E_CLASSNOTREG when nothing is registered under the class id.
HRESULT CreateControlInstance(const std::string& classId, std::unique_ptr<OleControl>* control);

// The thread's error info: set by a failing method, taken (and cleared) by the
// caller. On Windows these overload the system's SetErrorInfo/GetErrorInfo,
// which take other types.
struct ErrorInfo {
    std::u16string description;
    std::u16string source;
    std::u16string helpFile;
    std::uint32_t helpContext = 0;
};
void SetErrorInfo(std::optional<ErrorInfo> info);
// S_OK with the info when there is one, S_FALSE otherwise.
HRESULT GetErrorInfo(ErrorInfo* info);

// The platform's text for a result code, empty when it has none.
Bytes FormatMessageText(HRESULT code);
