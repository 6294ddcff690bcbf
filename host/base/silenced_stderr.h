// C libraries that print their own diagnostics to the standard error beside the
// error code they return (libxlsxwriter's "[ERROR] workbook_close(): ..."), where the
// caller reports that code in the person's words and the library's line would only
// stand beside it in another language.
#pragma once

namespace hub {

// While one lives, what the process writes to file descriptor 2 goes to /dev/null;
// the descriptor is put back when the last one goes. Process-wide: hold it around
// the library's own calls only, never while the host itself may print.
class SilencedStderr {
public:
    SilencedStderr();
    ~SilencedStderr();
    SilencedStderr(const SilencedStderr&) = delete;
    SilencedStderr& operator=(const SilencedStderr&) = delete;
};

// Calls `call` with the standard error silenced and returns what it returns.
template <class Call>
auto Silenced(Call&& call) {
    const SilencedStderr silenced;
    return call();
}

}  // namespace hub
