#include "sound/memory_mixer.h"

#include <algorithm>
#include <fstream>
#include <istream>

namespace tressmoor::sound {

namespace {

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

double WavInfo::lengthMs() const {
    if (bytesPerSecond == 0) return 0;
    return static_cast<double>(dataSize) * 1000.0 / bytesPerSecond;
}

int WavInfo::durationSeconds() const {
    if (bytesPerSecond == 0) return 0;
    return static_cast<int>(dataSize / bytesPerSecond);
}

std::optional<WavInfo> readWavInfo(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return readWavInfo(in);
}

std::optional<WavInfo> readWavInfo(std::istream& in) {
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(std::max<std::streamoff>(0, in.tellg()));
    in.seekg(0);
    unsigned char header[12];
    if (!in.read(reinterpret_cast<char*>(header), 12)) return std::nullopt;
    if (!std::equal(header, header + 4, "RIFF") || !std::equal(header + 8, header + 12, "WAVE")) {
        return std::nullopt;
    }
    WavInfo info;
    bool haveFormat = false;
    std::uint64_t offset = 12;
    while (offset + 8 <= fileSize) {
        unsigned char chunk[8];
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(reinterpret_cast<char*>(chunk), 8)) break;
        const std::uint32_t size = le32(chunk + 4);
        const std::uint64_t body = offset + 8;
        if (std::equal(chunk, chunk + 4, "fmt ") && size >= 16) {
            unsigned char fmt[16];
            if (!in.read(reinterpret_cast<char*>(fmt), 16)) break;
            info.formatTag = le16(fmt);
            info.channels = le16(fmt + 2);
            info.sampleRate = le32(fmt + 4);
            info.bytesPerSecond = le32(fmt + 8);
            info.bitsPerSample = le16(fmt + 14);
            haveFormat = true;
        } else if (std::equal(chunk, chunk + 4, "data")) {
            info.dataSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, fileSize - body));
            if (haveFormat) return info;
        }
        offset = body + size + (size & 1);  // chunks are padded to an even length
    }
    if (haveFormat && info.dataSize > 0) return info;
    return std::nullopt;
}

MemoryMixer::MemoryMixer() = default;

MemoryMixer::Channel* MemoryMixer::channel(int number) {
    if (number < 0 || number >= kChannelCount) {
        if (reporter_) reporter_(invalidChannelMessage(number));
        return nullptr;
    }
    return &channels_[static_cast<std::size_t>(number)];
}

const MemoryMixer::Channel* MemoryMixer::channel(int number) const {
    if (number < 0 || number >= kChannelCount) return nullptr;
    return &channels_[static_cast<std::size_t>(number)];
}

void MemoryMixer::notifyEvent(int number, const char* what) {
    if (events_) events_(number, what);
}

std::shared_ptr<Wave> MemoryMixer::loadWave(const std::string& path) {
    auto info = readWavInfo(path);
    if (!info) return nullptr;
    return std::make_shared<MemoryWave>(path, info->lengthMs());
}

void MemoryMixer::attach(int number, std::shared_ptr<Wave> wave) {
    if (Channel* c = channel(number)) {
        *c = Channel{};
        c->wave = std::move(wave);
    }
}

bool MemoryMixer::hasWave(int number) const {
    const Channel* c = channel(number);
    return c != nullptr && c->wave != nullptr;
}

void MemoryMixer::Play(int number) {
    Channel* c = channel(number);
    if (c == nullptr || c->wave == nullptr) return;
    c->positionMs = 0;
    c->status = ChannelStatus::Once;
    notifyEvent(number, "play");
}

void MemoryMixer::LoopPlay(int number) {
    Channel* c = channel(number);
    if (c == nullptr || c->wave == nullptr) return;
    c->positionMs = 0;
    c->status = ChannelStatus::Looping;
    notifyEvent(number, "loop");
}

void MemoryMixer::Stop(int number) {
    Channel* c = channel(number);
    if (c == nullptr || c->status == ChannelStatus::Idle) return;
    c->status = ChannelStatus::Idle;
    notifyEvent(number, "stop");
}

void MemoryMixer::FreqRate(int number, double ratio) {
    if (Channel* c = channel(number)) c->ratio = ratio > 0 ? ratio : 0;
}

void MemoryMixer::Volume(int number, int hundredthsDb) {
    if (Channel* c = channel(number)) c->volume = std::clamp(hundredthsDb, -10000, 0);
}

int MemoryMixer::volume(int number) const {
    const Channel* c = channel(number);
    return c != nullptr ? c->volume : 0;
}

void MemoryMixer::Pan(int number, int pan) {
    if (Channel* c = channel(number)) c->pan = std::clamp(pan, -10000, 10000);
}

ChannelStatus MemoryMixer::Status(int number) const {
    const Channel* c = channel(number);
    return c != nullptr ? c->status : ChannelStatus::Idle;
}

void MemoryMixer::advance(double ms) {
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        Channel& c = channels_[i];
        if (c.status == ChannelStatus::Idle || c.wave == nullptr) continue;
        c.positionMs += ms * c.ratio;
        const double length = c.wave->lengthMs();
        if (c.status == ChannelStatus::Once && c.positionMs >= length) {
            c.status = ChannelStatus::Idle;
            c.positionMs = length;
            notifyEvent(static_cast<int>(i), "end");
        } else if (c.status == ChannelStatus::Looping && length > 0) {
            while (c.positionMs >= length) c.positionMs -= length;
        }
    }
}

bool MemoryMixer::reinitialise() {
    for (auto& c : channels_) c = Channel{};
    return true;
}

double MemoryMixer::freqRate(int number) const {
    const Channel* c = channel(number);
    return c != nullptr ? c->ratio : 0;
}

int MemoryMixer::pan(int number) const {
    const Channel* c = channel(number);
    return c != nullptr ? c->pan : 0;
}

double MemoryMixer::positionMs(int number) const {
    const Channel* c = channel(number);
    return c != nullptr ? c->positionMs : 0;
}

const Wave* MemoryMixer::wave(int number) const {
    const Channel* c = channel(number);
    return c != nullptr ? c->wave.get() : nullptr;
}

}  // namespace tressmoor::sound
