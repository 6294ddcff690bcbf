#include "clock.h"

#include <chrono>
#include <ctime>

namespace hub {

using namespace std::chrono;

tolm::DateTime LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    auto day = sys_days(year_month_day{std::chrono::year{local.tm_year + 1900},
                                        std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                        std::chrono::day{static_cast<unsigned>(local.tm_mday)}});
    return tolm::DateTime(day) + hours(local.tm_hour) + minutes(local.tm_min) + seconds(local.tm_sec);
}

}  // namespace hub
