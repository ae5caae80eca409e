// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "core/Bytes.h"
#include "forms/Controls.h"
#include "platform/ComHost.h"

// Raises EOleException for a failure code: the error info's description, else
// the platform's text for the code, else "OLE エラー XXXXXXXX".
void CheckViewerResult(HRESULT code);

// The host of the PDF viewer control: creates it by class id while the window
// is built, activates it in place when the window is first shown, and calls
// the five operations of its default interface.
class TAcroPDF : public QWidget, public IPdfViewer {
    Q_OBJECT
public:
    // The persisted state the layout hands to the control, unread.
    static const std::vector<std::uint8_t> ControlData;

    explicit TAcroPDF(QWidget* parent = nullptr);
    ~TAcroPDF() override;

    void SetVisible(bool visible) override { setVisible(visible); }
    void ViewerLoadFile(const Bytes& path) override;  // result not looked at by the program
    bool ViewerLoadFileResult(const Bytes& path);
    void ViewerShowToolbar(bool on) override;
    void ViewerSetLayoutMode(const std::u16string& name) override;
    void ViewerSetView(const std::u16string& name) override;
    void ViewerShowScrollbars(bool on) override;

    // In-place activation; raises EOleError when the control gives no in-place object or window.
    void Activate();
    OleControl* Control() const { return control_.get(); }

    std::function<void(TAcroPDF& sender)> OnError;
    std::function<void(TAcroPDF& sender)> OnMessage;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    IAcroAXDocShim& ViewerInterface();
    void SetUp();
    void OnControlEvent(int dispatchId);

    std::unique_ptr<OleControl> control_;
    IAcroAXDocShim* viewerInterface_ = nullptr;
    bool setUp_ = false;
    bool active_ = false;
};
