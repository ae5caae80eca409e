// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ComHost.h"

#include <map>

#include "core/CodePage.h"

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

Bytes FormatMessageText(HRESULT code) {
    // The system message table, as a Japanese system words it.
    static const std::map<HRESULT, const char*> texts = {
        {E_NOTIMPL, "実装されていません\r\n"},
        {E_NOINTERFACE, "インターフェイスがサポートされていません\r\n"},
        {E_POINTER, "無効なポインターです\r\n"},
        {E_ABORT, "操作は中止されました\r\n"},
        {E_FAIL, "エラーを特定できません\r\n"},
        {E_UNEXPECTED, "致命的なエラーです\r\n"},
        {E_ACCESSDENIED, "アクセスが拒否されました\r\n"},
        {E_OUTOFMEMORY, "この操作を完了するのに十分な記憶域がありません\r\n"},
        {E_INVALIDARG, "パラメーターが間違っています\r\n"},
        {REGDB_E_CLASSNOTREG, "クラスが登録されていません\r\n"},
        {CO_E_NOTINITIALIZED, "CoInitialize は呼び出されていません\r\n"},
        {DISP_E_EXCEPTION, "例外が発生しました\r\n"},
    };
    auto it = texts.find(code);
    return it == texts.end() ? Bytes() : FromUtf16(ToUtf16(it->second, CodePage::FromNumber(65001)));
}
