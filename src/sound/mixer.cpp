#include "sound/mixer.h"

#include <cstdio>

namespace tressmoor::sound {

std::string invalidChannelMessage(int channel) {
    char text[160];
    std::snprintf(text, sizeof text, "チャンネル番号%dは無効です、%d～%dの範囲で指定してください", channel, 0,
                  kChannelCount - 1);
    return text;
}

}  // namespace tressmoor::sound
