// SPDX-License-Identifier: GPL-3.0-or-later
// The main window told, as the system tells it, that its monitor's dpi has
// changed: the layout drawn at 96 dpi comes out scaled, and comes back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "TForm1Layout.h"
#include "win32/AcroPDFLib_TLB.h"
#include "win32/FormWindow.h"
#include "win32/MuPdfViewerControl.h"
#include "win32/Unit1.h"

namespace {

RECT PlaceIn(HWND top, HWND window) {
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)); }

LONG FontHeight(HWND window) {
    LOGFONTA font{};
    GetObjectA(FontOf(window), sizeof font, &font);
    return -font.lfHeight;
}

TEXTMETRICA Metrics(HWND window, SIZE* caption = nullptr) {
    char text[256] = {};
    const int length = GetWindowTextA(window, text, sizeof text);
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, FontOf(window));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    if (caption != nullptr) GetTextExtentPoint32A(dc, text, length, caption);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics;
}

// What WM_DPICHANGED brings: the new dpi, and the window's outer size for the layout's client area at it.
void MoveToDpi(HWND form, int dpi) {
    RECT outer{0, 0, MulDiv(TForm1Layout::kWindow.client.width, dpi, 96), MulDiv(TForm1Layout::kWindow.client.height, dpi, 96)};
    AdjustWindowRectEx(&outer, GetWindowLongA(form, GWL_STYLE), TRUE, GetWindowLongA(form, GWL_EXSTYLE));
    OffsetRect(&outer, -outer.left, -outer.top);
    SendMessageA(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&outer));
}

struct Shown {
    std::map<int, RECT> places;  // by control id; the viewer's under 0
    std::map<int, LONG> fontHeights;
    int rowHeight = 0;
};

class Win32Dpi : public testing::Test {
protected:
    void SetUp() override {
        FormWindow::RegisterClasses(GetModuleHandleA(nullptr));
        RegisterPdfViewerControl();
        form_ = std::make_unique<TForm1>();
        // Shown, so that the menu bar takes its room.
        form_->Show(SW_SHOWNA);
    }
    HWND Control(int id) const {
        struct Search {
            int id;
            HWND found;
        } search{id, nullptr};
        EnumChildWindows(
            form_->Handle(),
            [](HWND child, LPARAM data) -> BOOL {
                auto* search = reinterpret_cast<Search*>(data);
                if (GetDlgCtrlID(child) != search->id) return TRUE;
                search->found = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    Shown Now() const {
        Shown shown;
        for (const ControlLayout& control : TForm1Layout::kControls) {
            if (control.kind == ControlKind::Viewer) continue;
            HWND window = Control(control.id);
            shown.places[control.id] = PlaceIn(form_->Handle(), window);
            shown.fontHeights[control.id] = FontHeight(window);
        }
        shown.places[0] = PlaceIn(form_->Handle(), form_->AcroPDF1.ControlWindow());
        shown.rowHeight = static_cast<int>(SendMessageA(Control(TForm1Layout::ListBox1), LB_GETITEMHEIGHT, 0, 0));
        return shown;
    }
    std::unique_ptr<TForm1> form_;
};

}  // namespace

// At 144 dpi every control sits half as far in again and is half as large
// again, its font too; labels are as wide as their captions; no caption is
// cut; list rows are as high as the font. Back at 96 all is as it was.
TEST_F(Win32Dpi, TheMainWindowScalesItsLayoutWithTheMonitorsDpiAndBack) {
    MoveToDpi(form_->Handle(), 96);
    const Shown at96 = Now();
    MoveToDpi(form_->Handle(), 144);
    const Shown at144 = Now();
    for (const auto& [id, place] : at96.places) {
        SCOPED_TRACE("control " + std::to_string(id));
        const RECT& scaled = at144.places.at(id);
        EXPECT_NEAR(scaled.left, place.left * 1.5, 1);
        EXPECT_NEAR(scaled.top, place.top * 1.5, 1);
        HWND window = id == 0 ? form_->AcroPDF1.ControlWindow() : Control(id);
        char className[16] = {};
        GetClassNameA(window, className, sizeof className);
        SIZE caption{};
        Metrics(window, &caption);
        if (std::string(className) == "Static") {
            EXPECT_EQ(scaled.right - scaled.left, caption.cx);
        } else {
            EXPECT_NEAR(scaled.right - scaled.left, (place.right - place.left) * 1.5, 1);
            EXPECT_NEAR(scaled.bottom - scaled.top, (place.bottom - place.top) * 1.5, 1);
        }
        if (id != 0) {
            EXPECT_EQ(at144.fontHeights.at(id), at96.fontHeights.at(id) * 3 / 2);
        }
        // A button's caption within its edges, a check box's beside its box.
        int room = scaled.right - scaled.left;
        if (std::string(className) == "Button") room -= 4 * GetSystemMetrics(SM_CXEDGE);
        if (id == TForm1Layout::CB2) room -= GetSystemMetrics(SM_CXMENUCHECK);
        EXPECT_LE(caption.cx, room);
        EXPECT_LE(caption.cy, scaled.bottom - scaled.top);
    }
    EXPECT_EQ(at144.rowHeight, std::max(18, static_cast<int>(Metrics(Control(TForm1Layout::ListBox1)).tmHeight)));
    EXPECT_GT(at144.rowHeight, at96.rowHeight);

    MoveToDpi(form_->Handle(), 96);
    const Shown back = Now();
    for (const auto& [id, place] : at96.places) {
        SCOPED_TRACE("control " + std::to_string(id));
        EXPECT_TRUE(EqualRect(&back.places.at(id), &place));
    }
    EXPECT_EQ(back.fontHeights, at96.fontHeights);
    EXPECT_EQ(back.rowHeight, at96.rowHeight);
}
