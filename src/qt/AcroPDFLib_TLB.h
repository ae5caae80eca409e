// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/Bytes.h"
#include "forms/Controls.h"
#include "platform/ComHost.h"
#include "viewer/ViewerHost.h"

// In-place activation in Qt's widgets.
using QtInPlaceActivation = InPlaceActivation<QWidget*, QRect>;

// The host of the PDF viewer control on Qt: creates it by class id while the
// window is built, activates it in place when the window is first shown, and
// calls the five operations of its default interface.
class TAcroPDF : public QWidget, public IPdfViewer {
    Q_OBJECT
public:
    static inline const std::vector<std::uint8_t>& ControlData = ViewerHost::ControlData;

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
    OleControl* Control() const { return host_.Control(); }
    // The control's in-place window, once active.
    QWidget* ControlWindow() const { return host_.ActiveWindow<QWidget*, QRect>(); }

    std::function<void(TAcroPDF& sender)> OnError;
    std::function<void(TAcroPDF& sender)> OnMessage;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ViewerHost host_;
};
