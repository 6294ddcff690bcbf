#include "base/debug_log.h"

#include <cstdlib>
#include <fstream>
#include <mutex>

#include "base/clock.h"
#include "tolm/variant.h"

namespace hub {

void DebugLog(std::string_view text) {
    const char* file = std::getenv("TOLM_DEBUG");
    if (file == nullptr || *file == '\0') return;
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    std::ofstream out(file, std::ios::app);
    out << tolm::FormatDateText(LocalNow()) << "  " << text << '\n';
}

}  // namespace hub
