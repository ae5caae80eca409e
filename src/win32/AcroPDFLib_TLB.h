// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "core/Bytes.h"
#include "viewer/AcroPdfHost.h"

// In-place activation in Win32 windows.
using Win32InPlaceActivation = InPlaceActivation<HWND, RECT>;

// The host of the PDF viewer control on Win32, the counterpart of the Qt
// one (src/qt/AcroPDFLib_TLB.h). It creates the control by class id when it is
// made (EOleSysError when none is registered), in `parent` at `bounds`, or at
// the control's natural size; the front end activates it when its window is
// first shown and moves and resizes it with SetBounds. The control's window
// is a child of `parent`; the host has none of its own.
class TAcroPDF : public AcroPdfHost<TAcroPDF> {
public:
    explicit TAcroPDF(HWND parent);
    TAcroPDF(HWND parent, const RECT& bounds);
    ~TAcroPDF() override;
    TAcroPDF(const TAcroPDF&) = delete;
    TAcroPDF& operator=(const TAcroPDF&) = delete;

    // In-place activation in the parent at Bounds(); raises EOleError when the
    // control gives no in-place object or window. Once active, a no-op.
    void Activate();
    // Where the control goes in its parent, in the parent's client pixels. A
    // real change of size is told to the control first; one that refuses it
    // keeps its old size at the new place.
    void SetBounds(const RECT& bounds);
    const RECT& Bounds() const { return bounds_; }
    // The control's in-place window, once active.
    HWND ControlWindow() const { return host_.ActiveWindow<HWND, RECT>(); }
    bool Visible() const { return visible_; }

    void SetVisible(bool visible) override;

private:
    HWND parent_;
    RECT bounds_{};
    bool visible_ = true;
};
