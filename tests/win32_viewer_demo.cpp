// SPDX-License-Identifier: GPL-3.0-or-later
// A window with the viewer and its toolbar showing a PDF, for looking at it:
//   viewer_demo <file.pdf> [page from 1] [seconds]
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "win32/AcroPDFLib_TLB.h"
#include "win32/MuPdfViewerControl.h"
#include "platform/Platform.h"

namespace {

std::unique_ptr<TAcroPDF> host;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE && host) host->SetBounds({8, 8, LOWORD(lParam) - 8, HIWORD(lParam) - 8});
    if (message == WM_TIMER || message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    InstallPlatformServices();
    if (argc < 2) return 2;
    RegisterPdfViewerControl();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "QuilvaneViewerDemo";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Quilvane viewer", WS_OVERLAPPEDWINDOW, 0, 0, 560, 720, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    RECT client;
    GetClientRect(window, &client);
    host = std::make_unique<TAcroPDF>(window, RECT{8, 8, client.right - 8, client.bottom - 8});
    host->Activate();
    host->ViewerShowToolbar(true);
    host->ViewerSetView(u"Fit");
    host->ViewerLoadFile(argv[1]);
    if (argc > 2) {
        auto* control = static_cast<MuPdfViewerControl*>(host->Control());
        control->PageView().GoToPage(std::atoi(argv[2]) - 1);
    }
    ShowWindow(window, SW_SHOW);
    SetTimer(window, 1, (argc > 3 ? std::atoi(argv[3]) : 10) * 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    host.reset();
    return 0;
}
