// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ComHost.h"

#include <map>

namespace {

std::map<std::string, ControlFactory>& Registry() {
    static std::map<std::string, ControlFactory> registry;
    return registry;
}

thread_local std::optional<ErrorInfo> threadErrorInfo;

}  // namespace

void RegisterControlClass(const std::string& classId, ControlFactory factory) {
    Registry()[classId] = std::move(factory);
}

void UnregisterControlClass(const std::string& classId) { Registry().erase(classId); }

HRESULT CreateControlInstance(const std::string& classId, std::unique_ptr<OleControl>* control) {
    auto it = Registry().find(classId);
    if (it == Registry().end()) return REGDB_E_CLASSNOTREG;
    *control = it->second();
    return *control ? S_OK : E_NOINTERFACE;
}

void SetErrorInfo(std::optional<ErrorInfo> info) { threadErrorInfo = std::move(info); }

HRESULT GetErrorInfo(ErrorInfo* info) {
    if (!threadErrorInfo) return S_FALSE;
    *info = std::move(*threadErrorInfo);
    threadErrorInfo.reset();
    return S_OK;
}
