// Errors raised by host calls, and the four ways the system handles them.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "tolm/export.h"

namespace tolm {

// Error numbers. The values are fixed: callers compare them, and they are shown to
// users next to the description.
namespace err {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t InternalError = 51;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t PathFileAccess = 75;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t CannotCreateComponent = 429;
inline constexpr int32_t NotSupported = 438;
inline constexpr int32_t LibraryLoad = 48;
inline constexpr int32_t EntryPointNotFound = 453;
inline constexpr int32_t DuplicateKey = 457;
inline constexpr int32_t FieldNotFound = 3265;
inline constexpr int32_t NoCurrentRecord = 3021;
inline constexpr int32_t DialogCancelled = 32755;
inline constexpr int32_t ObjectNotFound = 35601;
inline constexpr int32_t RegistryDamaged = 35700;
inline constexpr int32_t Database = -2147217900;
inline constexpr int32_t AccessDenied = -2147024891;
inline constexpr int32_t Refused = 35800;  // a host component refused a request on business rules
}  // namespace err

// The error object of every failing host call: number, description, source, help
// file and help context, as a person reading an error report would see them.
class TOLM_SDK_API HostError : public std::runtime_error {
public:
    HostError(int32_t number, const std::string& description, std::string source = {},
              std::string helpFile = {}, int32_t helpContext = 0);
    ~HostError() override;
    HostError(const HostError&) = default;
    HostError& operator=(const HostError&) = default;

    int32_t Number() const { return m_number; }
    const std::string& Description() const { return m_description; }
    const std::string& Source() const { return m_source; }
    const std::string& HelpFile() const { return m_helpFile; }
    int32_t HelpContext() const { return m_helpContext; }

private:
    int32_t m_number;
    std::string m_description;
    std::string m_source;
    std::string m_helpFile;
    int32_t m_helpContext;
};

// The exception being handled, as a HostError. Must be called inside a catch block.
// Foreign exceptions become HostErrors: std::bad_alloc -> OutOfMemory, any other
// std::exception or unknown exception -> InternalError with its what() text.
TOLM_SDK_API HostError CurrentError();

// ---------------------------------------------------------------------------------
// The four error-handling idioms. Each handler of the system uses exactly one of
// them, named by its rule; nothing else catches errors in the plug-in.
//
//   Report      catch, hand the error to the message service's error report, return
//   Silent      catch and drop
//   StepByStep  each statement that calls the host may fail on its own; the next
//               statement still runs
//   Propagate   no trap: the error reaches the host as the failure of the event
//
// None of them keeps a global "current error": a function that traps its own
// errors may be called inside another handler's catch block, and that handler's
// error is still the one being handled afterwards.
// ---------------------------------------------------------------------------------

using ErrorReporter = std::function<void(const HostError&)>;

// Report: runs body; on error hands it to report and returns false.
template <class F>
bool OnErrorReport(const ErrorReporter& report, F&& body) {
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        HostError error = CurrentError();
        if (report) {
            try {
                report(error);
            } catch (...) {
                // The report itself failed: nothing more can be shown.
            }
        }
        return false;
    }
}

// Silent: runs body; on error drops it and returns false.
template <class F>
bool OnErrorSilent(F&& body) {
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        return false;
    }
}

// StepByStep: one statement of a step-by-step handler. Returns whether it succeeded;
// a failed statement is skipped and the caller goes on with the next one.
template <class F>
bool Step(F&& statement) {
    return OnErrorSilent(std::forward<F>(statement));
}

// Propagate: runs body without a trap. Written out where a handler's rule is to let
// errors reach the host, so the rule is visible at the call site.
template <class F>
decltype(auto) Propagate(F&& body) {
    return std::forward<F>(body)();
}

}  // namespace tolm
