// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <exception>
#include <functional>

#include "core/Bytes.h"

// The address of the instruction after the call: used as a default argument,
// it is evaluated at the place where an error is raised.
[[gnu::noinline]] const void* CurrentCodeAddress();

// Where a code address lies: the file name of the program's module and the
// offset of the address into it (0 when the platform cannot tell).
struct CodeLocation {
    Bytes moduleFileName;
    std::uintptr_t offset = 0;
};
// The platform's way to locate code, handed in at start-up.
void UseCodeLocator(CodeLocation (*locate)(const void* address));

// The general error: a message in the system code page and the address where
// it was raised. Handlers never catch these; the error display does.
class Exception : public std::exception {
public:
    explicit Exception(Bytes message, const void* raisedAt = CurrentCodeAddress());
    const Bytes& Message() const { return message_; }
    const void* RaisedAt() const { return raisedAt_; }
    virtual const char* TypeName() const { return "Exception"; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    Bytes message_;
    const void* raisedAt_;
};

#define QUILVANE_ERROR_TYPE(Name, Base)                                                  \
    class Name : public Base {                                                           \
    public:                                                                              \
        explicit Name(Bytes message, const void* raisedAt = CurrentCodeAddress())        \
            : Base(std::move(message), raisedAt) {}                                      \
        const char* TypeName() const override { return #Name; }                          \
    }

QUILVANE_ERROR_TYPE(EMCIDeviceError, Exception);
QUILVANE_ERROR_TYPE(EOleError, Exception);
QUILVANE_ERROR_TYPE(EIntfCastError, Exception);
QUILVANE_ERROR_TYPE(EListError, Exception);

// A host failure that carries the platform's result code.
class EOleSysError : public EOleError {
public:
    EOleSysError(Bytes message, std::int32_t errorCode, const void* raisedAt = CurrentCodeAddress())
        : EOleError(std::move(message), raisedAt), errorCode_(errorCode) {}
    std::int32_t ErrorCode() const { return errorCode_; }
    const char* TypeName() const override { return "EOleSysError"; }

private:
    std::int32_t errorCode_;
};

// A failing viewer method, with the error's source and help.
class EOleException : public EOleSysError {
public:
    EOleException(Bytes message, std::int32_t errorCode, Bytes source, Bytes helpFile, std::int32_t helpContext,
                  const void* raisedAt = CurrentCodeAddress())
        : EOleSysError(std::move(message), errorCode, raisedAt),
          source_(std::move(source)), helpFile_(std::move(helpFile)), helpContext_(helpContext) {}
    const Bytes& Source() const { return source_; }
    const Bytes& HelpFile() const { return helpFile_; }
    std::int32_t HelpContext() const { return helpContext_; }
    const char* TypeName() const override { return "EOleException"; }

private:
    Bytes source_;
    Bytes helpFile_;
    std::int32_t helpContext_;
};

// printf into a byte string.
Bytes Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The message as the error display shows it: a "." is added when the last
// character (a whole double-byte one where the text ends in one) sorts after ".".
Bytes WithFullStop(const Bytes& message);

// The last-resort report of an error that escaped start-up, with the module
// name and the raise address as an offset into that module.
Bytes StartupErrorReport(const Exception& error);

// Runs an event handler; an error that ends it goes to `show`, and nothing
// else of the handler runs.
void RunGuarded(const std::function<void()>& handler, const std::function<void(const Exception&)>& show);
