// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/Errors.h"
#include "platform/ComHost.h"

// Raises EOleException for a failure code: the error info's description, else
// the platform's text for the code, else "OLE エラー XXXXXXXX".
void CheckViewerResult(HRESULT code);
// The platform's text for a result code, or "OLE エラー" and the code when it has none.
Bytes ResultText(HRESULT code);

// What a host of the PDF viewer control does, whatever its windows are: it
// creates the control by class id, hands it its persisted state on first use,
// asks once for the default interface, activates it in place, tells it its
// extent as it is resized, passes its events on, and checks the result of
// each of the five operations. Each front end's TAcroPDF holds one.
class ViewerHost {
public:
    // The persisted state the layout hands to the control, unread.
    static const std::vector<std::uint8_t> ControlData;

    // Creates the control; EOleSysError when none is registered or it cannot be made.
    ViewerHost(std::function<void()> onError, std::function<void()> onMessage);
    ~ViewerHost();
    ViewerHost(const ViewerHost&) = delete;
    ViewerHost& operator=(const ViewerHost&) = delete;

    OleControl* Control() const { return control_.get(); }
    // The control's own size in pixels at the given resolution, when it tells one.
    std::optional<std::pair<int, int>> NaturalSize(int dpiX, int dpiY) const;

    // In-place activation in the front end's `parent` window at `bounds`;
    // EOleError when the control gives no in-place object or window. Once active, a no-op.
    template <typename Window, typename Rect>
    void Activate(Window parent, const Rect& bounds) {
        if (active_) return;
        SetUp();
        auto* inPlace = dynamic_cast<InPlaceActivation<Window, Rect>*>(control_.get());
        if (inPlace == nullptr || !inPlace->InPlaceActivate(parent, bounds)) ActivationFailed();
        if (inPlace->InPlaceWindow() == nullptr) NoWindow();
        active_ = true;
    }
    // The in-place window once active, else null.
    template <typename Window, typename Rect>
    Window ActiveWindow() const {
        auto* inPlace = active_ ? dynamic_cast<InPlaceActivation<Window, Rect>*>(control_.get()) : nullptr;
        return inPlace ? inPlace->InPlaceWindow() : Window{};
    }
    bool Active() const { return active_; }

    // The host goes from `oldW` x `oldH` to `newW` x `newH` pixels: a real
    // change of size is told to the control in HIMETRIC first. False when the
    // control refuses it: its window then keeps its old size.
    bool AcceptsResize(int oldW, int oldH, int newW, int newH, int dpiX, int dpiY);

    // The five operations, each result checked.
    bool LoadFile(const Bytes& path);
    void ShowToolbar(bool on);
    void SetLayoutMode(const std::u16string& name);
    void SetView(const std::u16string& name);
    void ShowScrollbars(bool on);

private:
    [[noreturn]] static void ActivationFailed();
    [[noreturn]] static void NoWindow();
    void SetUp();
    IAcroAXDocShim& Interface();

    std::unique_ptr<OleControl> control_;
    IAcroAXDocShim* interface_ = nullptr;
    bool setUp_ = false;
    bool active_ = false;
};
