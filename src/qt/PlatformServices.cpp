// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/PlatformServices.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "platform/Platform.h"
#include "platform/posix/MciGst.h"

namespace {

// A completion notice on its way to a notification window.
class MciNotifyEvent : public QEvent {
public:
    static QEvent::Type EventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + MM_MCINOTIFY));
        return type;
    }
    MciNotifyEvent(DWORD outcome, MCIDEVICEID device) : QEvent(EventType()), outcome(outcome), device(device) {}
    const DWORD outcome;
    const MCIDEVICEID device;
};

// The notification window is a QObject: its address is the handle, and a
// notice posted from a streaming thread is delivered on the UI thread.
class QtNotifyTarget final : public QObject, public MciNotifyTarget {
public:
    DWORD_PTR Handle() const override { return reinterpret_cast<DWORD_PTR>(static_cast<const QObject*>(this)); }

protected:
    bool event(QEvent* e) override {
        if (e->type() != MciNotifyEvent::EventType()) return QObject::event(e);
        auto* notice = static_cast<MciNotifyEvent*>(e);
        if (onNotify) onNotify(notice->outcome, notice->device);
        return true;
    }
};

}  // namespace

void InstallQtPlatformServices() {
    InstallPlatformServices();
    UseMciNoticeQueue({[]() -> std::unique_ptr<MciNotifyTarget> { return std::make_unique<QtNotifyTarget>(); },
                       [](DWORD_PTR target, DWORD outcome, MCIDEVICEID device) {
                           QCoreApplication::postEvent(reinterpret_cast<QObject*>(target),
                                                       new MciNotifyEvent(outcome, device));
                       }});
}
