#include "base/silenced_stderr.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace hub {
namespace {

std::mutex g_mutex;
int g_depth = 0;
int g_saved = -1;  // the real descriptor 2 while silenced; -1 when nothing was moved

}  // namespace

SilencedStderr::SilencedStderr() {
    const std::lock_guard lock(g_mutex);
    if (g_depth++ > 0) return;
    std::fflush(stderr);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;  // nowhere to send it: the library is heard, nothing worse
    // A process started with descriptor 2 closed has nothing to put back.
    g_saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (g_saved >= 0 && ::dup2(null, STDERR_FILENO) < 0) {
        ::close(g_saved);
        g_saved = -1;
    }
    ::close(null);
}

SilencedStderr::~SilencedStderr() {
    const std::lock_guard lock(g_mutex);
    if (--g_depth > 0) return;
    std::fflush(stderr);
    if (g_saved < 0) return;
    ::dup2(g_saved, STDERR_FILENO);
    ::close(g_saved);
    g_saved = -1;
}

}  // namespace hub
