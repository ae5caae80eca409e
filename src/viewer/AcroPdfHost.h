// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>

#include "core/Bytes.h"
#include "viewer/ViewerHost.h"

// The PDF viewer's host: the operations the main window calls on it.
class IPdfViewer {
public:
    virtual ~IPdfViewer() = default;
    virtual void SetVisible(bool visible) = 0;
    virtual void ViewerLoadFile(const Bytes& path) = 0;
    virtual void ViewerShowToolbar(bool on) = 0;
    virtual void ViewerSetLayoutMode(const std::u16string& name) = 0;
    virtual void ViewerSetView(const std::u16string& name) = 0;
    virtual void ViewerShowScrollbars(bool on) = 0;
};

// What both front ends' TAcroPDF share: the viewer host, its two events
// passed on with the host as sender, and the five operations. A front end
// adds its windows: activation, placement and showing.
template <class Sender>
class AcroPdfHost : public IPdfViewer {
public:
    static inline const std::vector<std::uint8_t>& ControlData = ViewerHost::ControlData;

    void ViewerLoadFile(const Bytes& path) override { host_.LoadFile(path); }  // result not looked at by the program
    bool ViewerLoadFileResult(const Bytes& path) { return host_.LoadFile(path); }
    void ViewerShowToolbar(bool on) override { host_.ShowToolbar(on); }
    void ViewerSetLayoutMode(const std::u16string& name) override { host_.SetLayoutMode(name); }
    void ViewerSetView(const std::u16string& name) override { host_.SetView(name); }
    void ViewerShowScrollbars(bool on) override { host_.ShowScrollbars(on); }
    OleControl* Control() const { return host_.Control(); }

    std::function<void(Sender& sender)> OnError;
    std::function<void(Sender& sender)> OnMessage;

protected:
    AcroPdfHost()
        : host_([this] { if (OnError) OnError(static_cast<Sender&>(*this)); },
                [this] { if (OnMessage) OnMessage(static_cast<Sender&>(*this)); }) {}
    ViewerHost host_;
};
