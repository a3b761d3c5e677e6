#include "sim/event_log.h"

#include <cmath>
#include <cstdio>

namespace tressmoor::sim {

std::string clockText(std::int64_t ticks) {
    if (ticks < 0) ticks = 0;
    const std::int64_t s = ticks / 30;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return text;
}

std::string eventLine(double drivenSeconds, std::int64_t clock, std::string_view text) {
    std::string line = std::to_string(std::llround(drivenSeconds * 1000));
    line += ' ';
    line += clockText(clock);
    line += ' ';
    line += text;
    return line;
}

}  // namespace tressmoor::sim
