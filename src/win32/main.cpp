// SPDX-License-Identifier: GPL-3.0-or-later
// Quilvane on Windows: look at a file, type its new name, pick the next.
#include <windows.h>
#include <objbase.h>

#include "core/Errors.h"
#include "names/NameSuggestions.h"
#include "names/ReadersHelper.h"
#include "win32/ByteMessageBox.h"
#include "win32/MuPdfViewerControl.h"
#include "win32/ErrorDisplay.h"
#include "win32/FormWindow.h"
#include "win32/Unit1.h"
#include "win32/Unit2.h"
#include "platform/Platform.h"

namespace {

void ShowStartupReport(const Exception& error) {
    ShowStopBox({ByteMessageBoxRequest::Kind::StartupReport, 0, "アプリケーション エラー", StartupErrorReport(error)});
}

int Run(int showCommand) {
    FormWindow::RegisterClasses(GetModuleHandleA(nullptr));
    RegisterPdfViewerControl();
    TForm1 form1;
    TForm2 form2(form1.Handle());
    form2.OnYes = [&form1] { form1.Logic.PerformRename(); };
    form1.SetConfirmationDialog(&form2);
    // Stopped before the window goes: its results are posted to the window.
    NameSuggestions names([&form1](std::function<void()> task) { form1.PostTask(std::move(task)); },
                          [&form1](const Bytes& path, const FileNames& found) { form1.Logic.NamesRead(path, found); });
    form1.SetNameSource(&names);
    SetApplicationWindow(form1.Handle());
    form1.Show(showCommand);
    // A Unicode loop: the controls are Unicode windows, and an ANSI loop hands
    // them a Japanese character as two bytes, each converted on its own.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form1.Handle() != nullptr && form1.PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The program started again as the readers' helper: no window, no COM.
    if (const std::optional<int> helper = RunAsReadersHelper(__argc, __argv)) return *helper;
    InstallPlatformServices();
    // The viewer and the system's dialogs expect a single-threaded apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 1;
    try {
        result = Run(showCommand);
    } catch (const Exception& error) {
        ShowStartupReport(error);
    } catch (const std::exception& error) {
        ShowStartupReport(Exception(error.what()));
    }
    CoUninitialize();
    return result;
}
