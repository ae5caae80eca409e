// SPDX-License-Identifier: GPL-3.0-or-later
#include <map>

#include "core/CodePage.h"
#include "platform/ComHost.h"

Bytes FormatMessageText(HRESULT code) {
    // Linux has no message table: these are the system's, as a Japanese system words them.
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
