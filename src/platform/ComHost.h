// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"

class QWidget;

// The small part of COM that hosting the viewer control needs: result codes,
// a class registry, the thread's error info and the platform's message texts.
using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);

inline bool Succeeded(HRESULT hr) { return hr >= 0; }

using VARIANT_BOOL = std::int16_t;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

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

// An embeddable control as its container sees it.
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
    // In-place activation in `parent` at `bounds`; false when no in-place object results.
    virtual bool InPlaceActivate(QWidget* parent, const QRect& bounds) = 0;
    // The in-place window, once active.
    virtual QWidget* InPlaceWindow() = 0;
    virtual void Close() = 0;
    // The container's event sink: the control calls it with a dispatch id.
    std::function<void(int dispatchId)> eventSink;
};

using ControlFactory = std::function<std::unique_ptr<OleControl>()>;
void RegisterControlClass(const std::string& classId, ControlFactory factory);
void UnregisterControlClass(const std::string& classId);
// REGDB_E_CLASSNOTREG when nothing is registered under the class id.
HRESULT CreateControlInstance(const std::string& classId, std::unique_ptr<OleControl>* control);

// The thread's error info: set by a failing method, taken (and cleared) by the caller.
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
