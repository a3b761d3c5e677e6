// Reading and writing the WAV files of the sample content (PCM 16-bit, canonical 44-byte header).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tressmoor::mkcontent {

/// Sample rate of every generated sound, Hz.
inline constexpr int kSampleRate = 22050;

/// Mono 16-bit samples at a given rate.
struct PcmSound {
    int sampleRate = kSampleRate;  ///< Hz
    std::vector<std::int16_t> samples;
};

/// Writes a mono PCM 16-bit WAV file with the canonical 44-byte header (RIFF, "fmt " of 16 bytes,
/// "data"), so that the bytes per second sit at offset 28 and the data size at offset 40, where
/// the program reads a wave's duration. Throws std::runtime_error when the file cannot be written.
void writeWav(const std::filesystem::path& file, const PcmSound& sound);

/// Reads a PCM WAV file of 8 or 16 bits, mono or stereo, walking its chunks; stereo is mixed to
/// mono. Throws std::runtime_error when the file is not such a WAV file.
PcmSound readWav(const std::filesystem::path& file);

/// Linear-interpolation resampling to another rate.
PcmSound resample(const PcmSound& sound, int rate);

}  // namespace tressmoor::mkcontent
