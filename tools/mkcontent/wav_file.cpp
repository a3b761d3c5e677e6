// Reading and writing the WAV files of the sample content.
#include "wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tressmoor::mkcontent {
namespace {

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

void put16(std::vector<unsigned char>& out, std::uint16_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

std::uint32_t get32(const std::vector<unsigned char>& in, std::size_t at) {
    return static_cast<std::uint32_t>(in[at]) | (static_cast<std::uint32_t>(in[at + 1]) << 8) |
           (static_cast<std::uint32_t>(in[at + 2]) << 16) |
           (static_cast<std::uint32_t>(in[at + 3]) << 24);
}

std::uint16_t get16(const std::vector<unsigned char>& in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

}  // namespace

void writeWav(const std::filesystem::path& file, const PcmSound& sound) {
    const auto dataBytes = static_cast<std::uint32_t>(sound.samples.size() * 2);
    std::vector<unsigned char> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, static_cast<std::uint32_t>(sound.sampleRate));
    put32(out, static_cast<std::uint32_t>(sound.sampleRate * 2));  // bytes per second
    put16(out, 2);                                                 // block align
    put16(out, 16);                                                // bits per sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (std::int16_t s : sound.samples) put16(out, static_cast<std::uint16_t>(s));

    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!f) throw std::runtime_error("cannot write " + file.string());
}

PcmSound readWav(const std::filesystem::path& file) {
    std::ifstream f(file, std::ios::binary);
    if (!f) throw std::runtime_error("cannot open " + file.string());
    std::vector<unsigned char> in((std::istreambuf_iterator<char>(f)), {});
    if (in.size() < 12 || std::memcmp(in.data(), "RIFF", 4) != 0 ||
        std::memcmp(in.data() + 8, "WAVE", 4) != 0) {
        throw std::runtime_error(file.string() + " is not a WAV file");
    }
    int channels = 0, bits = 0, rate = 0;
    std::size_t dataAt = 0, dataSize = 0;
    for (std::size_t at = 12; at + 8 <= in.size();) {
        const std::uint32_t size = get32(in, at + 4);
        const std::size_t body = at + 8;
        if (std::memcmp(in.data() + at, "fmt ", 4) == 0 && body + 16 <= in.size()) {
            if (get16(in, body) != 1) throw std::runtime_error(file.string() + " is not PCM");
            channels = get16(in, body + 2);
            rate = static_cast<int>(get32(in, body + 4));
            bits = get16(in, body + 14);
        } else if (std::memcmp(in.data() + at, "data", 4) == 0) {
            dataAt = body;
            // Streaming writers leave the size open (0 or 0xFFFFFFFF): take the rest of the file.
            dataSize = (size == 0 || body + size > in.size()) ? in.size() - body : size;
            break;
        }
        at = body + size + (size & 1);
    }
    if (channels < 1 || channels > 2 || (bits != 8 && bits != 16) || rate <= 0 || dataAt == 0) {
        throw std::runtime_error(file.string() + " has no usable PCM data");
    }
    PcmSound sound;
    sound.sampleRate = rate;
    const std::size_t frameBytes = static_cast<std::size_t>(channels * bits / 8);
    for (std::size_t at = dataAt; at + frameBytes <= dataAt + dataSize; at += frameBytes) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) {
            if (bits == 16) {
                sum += static_cast<std::int16_t>(get16(in, at + static_cast<std::size_t>(c) * 2));
            } else {
                sum += (in[at + static_cast<std::size_t>(c)] - 128) * 256;
            }
        }
        sound.samples.push_back(static_cast<std::int16_t>(sum / channels));
    }
    return sound;
}

PcmSound resample(const PcmSound& sound, int rate) {
    if (sound.sampleRate == rate || sound.samples.empty()) {
        PcmSound copy = sound;
        copy.sampleRate = rate;
        return copy;
    }
    PcmSound out;
    out.sampleRate = rate;
    const double step = static_cast<double>(sound.sampleRate) / rate;
    const auto count = static_cast<std::size_t>(std::floor(sound.samples.size() / step));
    out.samples.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double pos = static_cast<double>(i) * step;
        const auto j = static_cast<std::size_t>(pos);
        const double frac = pos - static_cast<double>(j);
        const double a = sound.samples[j];
        const double b = j + 1 < sound.samples.size() ? sound.samples[j + 1] : a;
        out.samples.push_back(static_cast<std::int16_t>(std::lround(a + (b - a) * frac)));
    }
    return out;
}

}  // namespace tressmoor::mkcontent
