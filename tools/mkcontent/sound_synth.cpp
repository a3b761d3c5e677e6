// Synthesis of the sample content's sounds: bells, horns, air, motors, engines, melodies, speech.
#include "sound_synth.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tressmoor::mkcontent {
namespace {

constexpr double kRate = kSampleRate;
constexpr double kPi = 3.14159265358979323846;

using Signal = std::vector<double>;

/// Deterministic noise (a 64-bit linear congruential generator), the same on every platform.
class Noise {
public:
    explicit Noise(std::uint64_t seed)
        : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
    double next() {  // uniform in [-1, 1)
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) / static_cast<double>(1ULL << 52) - 1.0;
    }

private:
    std::uint64_t state_;
};

std::size_t samplesFor(double seconds) {
    return static_cast<std::size_t>(seconds * kRate);
}

Signal silence(double seconds) {
    return Signal(samplesFor(seconds), 0.0);
}

/// Adds `b` into `a` from sample `at` on, growing `a` when needed.
void mixInto(Signal& a, const Signal& b, double atSeconds, double gain = 1.0) {
    const std::size_t at = samplesFor(atSeconds);
    if (a.size() < at + b.size()) a.resize(at + b.size(), 0.0);
    for (std::size_t i = 0; i < b.size(); ++i) a[at + i] += gain * b[i];
}

/// A sum of harmonics of f with the given amplitudes (index 0 = fundamental).
Signal tone(double f, double seconds, std::initializer_list<double> harmonics, double phase = 0) {
    Signal s(samplesFor(seconds));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 0;
        int h = 1;
        for (double a : harmonics) v += a * std::sin(2 * kPi * f * h++ * t + phase);
        s[i] = v;
    }
    return s;
}

Signal noise(double seconds, std::uint64_t seed) {
    Noise n(seed);
    Signal s(samplesFor(seconds));
    for (double& v : s) v = n.next();
    return s;
}

/// One-pole low-pass at cutoff Hz (run twice for a steeper slope).
void lowPass(Signal& s, double cutoff, int passes = 1) {
    const double a = 1.0 - std::exp(-2 * kPi * cutoff / kRate);
    for (int p = 0; p < passes; ++p) {
        double y = 0;
        for (double& v : s) v = y += a * (v - y);
    }
}

void highPass(Signal& s, double cutoff) {
    Signal low = s;
    lowPass(low, cutoff);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] -= low[i];
}

/// Multiplies by an attack-sustain-release envelope (seconds).
void envelope(Signal& s, double attack, double release) {
    const double n = static_cast<double>(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double left = (n - static_cast<double>(i)) / kRate;
        double g = 1.0;
        if (attack > 0 && t < attack) g = t / attack;
        if (release > 0 && left < release) g = std::min(g, left / release);
        s[i] *= g;
    }
}

void decay(Signal& s, double timeConstant) {
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] *= std::exp(-static_cast<double>(i) / kRate / timeConstant);
}

/// Makes a loop seamless: the last `overlap` seconds are faded into the start.
Signal loopable(Signal s, double overlap) {
    const std::size_t n = samplesFor(overlap);
    if (s.size() <= 2 * n) return s;
    Signal out(s.begin(), s.end() - static_cast<std::ptrdiff_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const double g = static_cast<double>(i) / static_cast<double>(n);
        out[i] = out[i] * g + s[s.size() - n + i] * (1 - g);
    }
    return out;
}

PcmSound finish(const Signal& s, double peak = 0.8) {
    double m = 1e-9;
    for (double v : s) m = std::max(m, std::abs(v));
    PcmSound out;
    out.samples.reserve(s.size());
    for (double v : s) {
        out.samples.push_back(static_cast<std::int16_t>(std::lround(v / m * peak * 32767.0)));
    }
    return out;
}

/// A struck bell: inharmonic partials with exponential decay.
Signal bell(double f, double seconds, double ring = 0.5) {
    Signal s = tone(f, seconds, {1.0});
    Signal p2 = tone(f * 2.76, seconds, {0.5});
    Signal p3 = tone(f * 5.40, seconds, {0.25});
    for (std::size_t i = 0; i < s.size(); ++i) s[i] += p2[i] + p3[i];
    decay(s, ring);
    envelope(s, 0.002, 0.02);
    return s;
}

/// A chime note (soft sine with a second partial).
Signal chime(double f, double seconds) {
    Signal s = tone(f, seconds, {1.0, 0.3, 0.1});
    decay(s, seconds / 3);
    envelope(s, 0.005, 0.05);
    return s;
}

/// Air escaping: band-limited noise.
Signal hiss(double seconds, double attack, double release, std::uint64_t seed,
            double bright = 3000) {
    Signal s = noise(seconds, seed);
    highPass(s, 500);
    lowPass(s, bright);
    envelope(s, attack, release);
    return s;
}

/// A metallic clack of a wheel on a rail joint.
Signal clack(std::uint64_t seed, double weight = 1.0) {
    Signal s = noise(0.12, seed);
    lowPass(s, 900 * weight, 2);
    Signal body = tone(70 / weight, 0.12, {1.0, 0.4});
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = 3 * s[i] + 0.6 * body[i];
    decay(s, 0.025);
    return s;
}

/// Rolling noise with joint clacks every `jointGap` seconds: the rumble of a running train.
Signal rolling(double seconds, double jointGap, std::uint64_t seed, double rumble = 350) {
    Signal s = noise(seconds, seed);
    lowPass(s, rumble, 2);
    for (double& v : s) v *= 4;
    for (double t = 0.2; t + 0.3 < seconds; t += jointGap) {
        mixInto(s, clack(seed + 1), t, 0.6);
        mixInto(s, clack(seed + 2), t + 0.11, 0.5);
    }
    return loopable(s, 0.15);
}

/// The whine of a traction motor: harmonics with a slow wobble, plus gear noise.
Signal motor(double f, double seconds, std::uint64_t seed, bool inverter) {
    Signal s(samplesFor(seconds));
    Signal n = noise(seconds, seed);
    lowPass(n, 1500);
    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double ff = f * (1 + 0.004 * std::sin(2 * kPi * 3 * t));
        phase += 2 * kPi * ff / kRate;
        double v = std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase);
        if (inverter) v += 0.35 * std::sin(7.5 * phase) + 0.2 * std::sin(11 * phase);
        s[i] = v + 0.4 * n[i];
    }
    return loopable(s, 0.1);
}

/// A diesel engine: firing pulses at `firing` Hz through a resonant body.
Signal diesel(double firing, double seconds, std::uint64_t seed, double roughness = 0.3) {
    Signal s(samplesFor(seconds), 0.0);
    Noise n(seed);
    const double period = 1.0 / firing;
    for (double t = 0; t < seconds; t += period * (1 + roughness * 0.05 * n.next())) {
        Signal pulse = noise(0.05, seed + static_cast<std::uint64_t>(t * 1000));
        lowPass(pulse, 400, 2);
        Signal thump = tone(firing * 2, 0.05, {1.0, 0.5, 0.3});
        for (std::size_t i = 0; i < pulse.size(); ++i) pulse[i] = 4 * pulse[i] + thump[i];
        decay(pulse, 0.012);
        mixInto(s, pulse, t);
    }
    s.resize(samplesFor(seconds));
    return loopable(s, 0.08);
}

/// A horn of one or two reeds: f1 (and f2 when not 0) with a reedy spectrum.
Signal horn(double f1, double f2, double seconds, double attack, double release) {
    Signal s = tone(f1, seconds, {1.0, 0.7, 0.5, 0.35, 0.2, 0.1});
    if (f2 > 0) {
        Signal b = tone(f2, seconds, {1.0, 0.7, 0.5, 0.35, 0.2, 0.1}, 0.7);
        for (std::size_t i = 0; i < s.size(); ++i) s[i] += b[i];
    }
    envelope(s, attack, release);
    return s;
}

/// Notes (MIDI numbers, 0 = rest) played with a chime voice at `beat` seconds each.
Signal melody(const std::vector<int>& notes, double beat, double voiceLength = 0.6) {
    Signal s;
    double t = 0;
    for (int n : notes) {
        if (n > 0) {
            const double f = 440.0 * std::pow(2.0, (n - 69) / 12.0);
            Signal note = chime(f, voiceLength);
            Signal oct = chime(f * 2, voiceLength * 0.6);
            mixInto(note, oct, 0, 0.25);
            mixInto(s, note, t);
        }
        t += beat;
    }
    if (s.size() < samplesFor(t + 0.2)) s.resize(samplesFor(t + 0.2), 0.0);
    return s;
}

/// A departure melody of about `seconds`, different for every station number.
Signal departureMelody(int station, double seconds) {
    static const std::array<int, 7> scale = {0, 2, 4, 5, 7, 9, 11};
    Noise n(static_cast<std::uint64_t>(station) * 7919 + 17);
    const int root = 64 + station % 5;
    std::vector<int> phrase;
    int degree = 0;
    for (int i = 0; i < 8; ++i) {
        degree = std::clamp(degree + static_cast<int>(std::lround(n.next() * 2.5)), 0, 9);
        phrase.push_back(root + scale[static_cast<std::size_t>(degree % 7)] + 12 * (degree / 7));
    }
    phrase.back() = root + 12;  // end on the tonic
    std::vector<int> notes;
    const double beat = 0.3 + 0.02 * (station % 4);
    while (static_cast<double>(notes.size() + phrase.size()) * beat < seconds - 0.8) {
        notes.insert(notes.end(), phrase.begin(), phrase.end());
    }
    return melody(notes, beat, 0.7);
}

Signal concat(std::initializer_list<Signal> parts) {
    Signal s;
    for (const Signal& p : parts) s.insert(s.end(), p.begin(), p.end());
    return s;
}

/// Number after the last "_" of a stem ("melody_03" → 3), or -1.
int stemNumber(std::string_view stem) {
    const auto us = stem.rfind('_');
    if (us == std::string_view::npos) return -1;
    int v = 0;
    bool any = false;
    for (char c : stem.substr(us + 1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        v = v * 10 + (c - '0');
        any = true;
    }
    return any ? v : -1;
}

bool startsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

std::string lowerStem(std::string_view name) {
    std::string n(name);
    std::replace(n.begin(), n.end(), '\\', '/');
    std::string stem = std::filesystem::path(n).stem().string();
    for (char& c : stem) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return stem;
}

/// "<folder>/<stem>" of a name, lower case: the key of a recipe that belongs to one train.
std::string folderStem(std::string_view name) {
    std::string n(name);
    std::replace(n.begin(), n.end(), '\\', '/');
    std::string folder = std::filesystem::path(n).parent_path().filename().string();
    for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folder + "/" + lowerStem(name);
}

/// Kana for a number of seconds late: 15 s steps up to 3 minutes.
std::string lateText(int k) {
    static const std::array<const char*, 13> words = {"",
                                                      "じゅうごびょう",
                                                      "さんじゅうびょう",
                                                      "よんじゅうごびょう",
                                                      "いっぷん",
                                                      "いっぷん じゅうごびょう",
                                                      "いっぷん さんじゅうびょう",
                                                      "いっぷん よんじゅうごびょう",
                                                      "にふん",
                                                      "にふん じゅうごびょう",
                                                      "にふん さんじゅうびょう",
                                                      "にふん よんじゅうごびょう",
                                                      "さんぷん"};
    return k >= 1 && k <= 12 ? std::string(words[static_cast<std::size_t>(k)]) + " おくれ" : "";
}

std::string limitText(int kmh) {
    switch (kmh) {
        case 45:
            return "せいげん よんじゅうご";
        case 55:
            return "せいげん ごじゅうご";
        case 65:
            return "せいげん ろくじゅうご";
        case 75:
            return "せいげん ななじゅうご";
        default:
            return "";
    }
}

std::optional<Signal> synthesizedSignal(const std::string& stem) {
    // Sounds that differ between trains: the limited express's horn and motors, the railcar's
    // single-tone horn. Horn start waves outlast every train's horn step time (at most 0.5 s),
    // so a held horn reaches its sustain stage instead of restarting.
    if (stem == "683/horn_start") return horn(440, 554, 0.55, 0.1, 0);
    if (stem == "683/horn_sustain_a" || stem == "683/horn_sustain_b")
        return loopable(horn(440, 554, 0.6, 0, 0), 0.05);
    if (stem == "683/horn_end") return horn(440, 554, 0.3, 0, 0.25);
    if (stem == "683/horn_short") return horn(440, 554, 0.6, 0.06, 0.2);
    if (stem == "683/motor_low") return motor(180, 2.0, 54, false);
    if (stem == "683/motor_high") return motor(720, 2.0, 55, true);
    if (stem == "kiha40/horn_start") return horn(311, 0, 0.65, 0.15, 0);
    if (stem == "kiha40/horn_end") return horn(311, 0, 0.4, 0, 0.35);
    if (stem == "kiha40/horn_short") return horn(311, 0, 0.8, 0.1, 0.3);
    // Brakes, air and handles.
    if (stem == "brake_apply") return hiss(0.45, 0.01, 0.3, 11);
    if (stem == "brake_release") return hiss(0.9, 0.02, 0.7, 12, 2200);
    if (stem == "brake_emergency") return hiss(2.2, 0.01, 1.2, 13, 5000);
    if (stem == "brake_valve_apply") return loopable(hiss(1.2, 0, 0, 14, 1800), 0.1);
    if (stem == "brake_valve_exhaust") return loopable(hiss(1.2, 0, 0, 15, 4000), 0.1);
    if (stem == "reverser" || stem == "notch" || stem == "throttle") {
        Signal s = concat({clack(stem.size(), 0.4), silence(0.04)});
        mixInto(s, tone(stem == "notch" ? 1400 : 900, 0.03, {1.0}), 0.0, 0.3);
        return s;
    }
    if (stem == "squeak") {
        Signal s(samplesFor(1.0));
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            s[i] = std::sin(2 * kPi * (3150 * t + 8 * std::sin(2 * kPi * 5 * t)));
        }
        Signal n = hiss(1.0, 0, 0, 16);
        mixInto(s, n, 0, 0.3);
        return loopable(s, 0.1);
    }
    // Safety system.
    if (stem == "ats_bell") {
        Signal s(samplesFor(1.0), 0.0);
        for (double t = 0; t < 1.0; t += 1.0 / 24) mixInto(s, bell(1250, 0.08, 0.05), t);
        s.resize(samplesFor(1.0));
        return s;
    }
    if (stem == "ats_chime") {
        Signal s = chime(1318.5, 0.9);
        mixInto(s, chime(1046.5, 1.1), 0.45);
        return s;
    }
    if (stem == "atsp_bell") return chime(880, 1.2);
    if (stem == "ats_warning") return concat({tone(2000, 0.25, {1.0, 0.3}), silence(0.25)});
    if (stem == "eb_ring") {
        Signal s;
        for (int i = 0; i < 4; ++i) {
            Signal b = tone(2400, 0.12, {1.0, 0.2});
            envelope(b, 0.005, 0.01);
            s = concat({s, b, silence(0.13)});
        }
        return s;
    }
    if (stem == "stop_alarm") {
        Signal s = chime(1568, 0.5);
        mixInto(s, chime(1318.5, 0.5), 0.25);
        mixInto(s, chime(1046.5, 0.9), 0.5);
        return s;
    }
    if (stem == "buzzer")
        return [] {
            Signal s = tone(420, 0.7, {1.0, 0, 0.33, 0, 0.2, 0, 0.14});
            envelope(s, 0.01, 0.02);
            return s;
        }();
    if (stem == "departure_signal") {
        Signal s = tone(1000, 0.35, {1.0, 0.2});
        envelope(s, 0.01, 0.05);
        return s;
    }
    // Horns.
    if (stem == "horn_start") return horn(370, 440, 0.55, 0.12, 0);
    if (stem == "horn_sustain_a" || stem == "horn_sustain_b")
        return loopable(horn(370, 440, 0.6, 0, 0), 0.05);
    if (stem == "horn_end") return horn(370, 440, 0.35, 0, 0.3);
    if (stem == "horn_short") return horn(370, 440, 0.7, 0.08, 0.2);
    if (stem == "horn_sustain") return loopable(horn(311, 0, 0.6, 0, 0), 0.05);
    if (stem == "ehorn_start") return horn(660, 0, 0.55, 0.02, 0);
    if (stem == "ehorn_sustain_a") return loopable(horn(660, 0, 0.5, 0, 0), 0.05);
    if (stem == "ehorn_sustain_b") return loopable(horn(880, 0, 0.5, 0, 0), 0.05);
    if (stem == "ehorn_end") return horn(660, 0, 0.25, 0, 0.2);
    if (stem == "horn_music") return melody({72, 76, 79, 84, 79, 76, 72, 0}, 0.22, 0.4);
    // Doors.
    if (stem == "door_open") {
        Signal s = chime(1046.5, 0.5);
        mixInto(s, hiss(1.2, 0.05, 0.5, 21, 2500), 0.3, 0.6);
        mixInto(s, clack(22, 0.6), 1.6, 0.8);
        return s;
    }
    if (stem == "door_close") {
        Signal s;
        for (int i = 0; i < 4; ++i) mixInto(s, chime(i % 2 ? 1046.5 : 1318.5, 0.35), 0.3 * i);
        mixInto(s, hiss(1.4, 0.05, 0.6, 23, 2500), 1.0, 0.6);
        mixInto(s, clack(24, 0.5), 2.6, 1.0);
        return s;
    }
    // Compressor.
    if (stem == "compressor_loop") {
        Signal s = diesel(22, 1.5, 31, 0.1);
        mixInto(s, tone(50, 1.5, {1.0, 0.5}), 0, 0.2);
        return loopable(s, 0.05);
    }
    if (stem == "compressor_start") {
        Signal s = diesel(22, 0.8, 32, 0.1);
        envelope(s, 0.6, 0);
        return s;
    }
    if (stem == "compressor_end") {
        Signal s = diesel(22, 0.8, 33, 0.1);
        envelope(s, 0, 0.7);
        mixInto(s, hiss(0.6, 0.01, 0.5, 34), 0.5, 0.5);
        return s;
    }
    if (stem == "switch_fast" || stem == "switch_slow") {
        const double gap = stem == "switch_fast" ? 0.12 : 0.3;
        Signal s;
        for (int i = 0; i < 4; ++i)
            mixInto(s, clack(40 + static_cast<std::uint64_t>(i), 1.2), i * gap);
        return s;
    }
    // Running and engine sounds.
    if (stem == "motor_low") return motor(210, 2.0, 51, false);
    if (stem == "motor_high") return motor(560, 2.0, 52, true);
    if (stem == "run") return rolling(3.0, 1.4, 53);
    if (stem == "engine_idle") return diesel(9, 1.5, 61);
    if (stem == "engine_idle_doors") return diesel(9.5, 1.5, 62, 0.5);
    if (stem == "engine_low") return diesel(14, 1.5, 63);
    if (stem == "engine_high") return diesel(26, 1.5, 64, 0.2);
    if (stem == "engine_start") {
        Signal s = motor(55, 1.2, 65, false);
        envelope(s, 0.1, 0.1);
        Signal run = diesel(12, 2.0, 66);
        envelope(run, 0.2, 0.8);
        mixInto(s, run, 1.0, 1.5);
        return s;
    }
    if (stem == "engine_stop") {
        Signal s = diesel(9, 2.0, 67);
        envelope(s, 0, 1.8);
        return s;
    }
    if (stem == "converter") return motor(320, 1.5, 68, false);
    // Line sounds.
    if (stem == "crossing_bell") {
        Signal s(samplesFor(1.0), 0.0);
        mixInto(s, bell(760, 0.5, 0.15), 0.0);
        mixInto(s, bell(700, 0.5, 0.15), 0.5);
        s.resize(samplesFor(1.0));
        return s;
    }
    if (stem == "tunnel_roar") {
        Signal s = noise(3.0, 71);
        lowPass(s, 180, 2);
        return loopable(s, 0.2);
    }
    if (stem == "bridge_rumble") return rolling(2.0, 0.5, 72, 500);
    if (stem == "passing_train") {
        Signal s = rolling(6.0, 0.35, 73, 600);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            s[i] *= std::exp(-std::pow((t - 3.0) / 1.3, 2));
        }
        mixInto(s, horn(440, 554, 0.8, 0.05, 0.2), 1.2, 0.4);
        return s;
    }
    if (stem == "buffer_stop") {
        Signal s = clack(81, 2.0);
        mixInto(s, clack(82, 2.5), 0.2, 0.6);
        return concat({s, silence(0.5)});
    }
    if (stem == "ambience_small" || stem == "ambience_large") {
        const bool large = stem == "ambience_large";
        Signal s = noise(6.0, large ? 91 : 92);
        highPass(s, 250);
        lowPass(s, 1200, 2);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            s[i] *= 0.6 + 0.4 * std::sin(2 * kPi * 0.7 * t) * std::sin(2 * kPi * 0.23 * t);
        }
        if (large) mixInto(s, chime(784, 1.0), 3.0, 0.15);
        return loopable(s, 0.3);
    }
    // Station chimes and melodies.
    if (stem == "start_chime") return melody({72, 76, 79, 0}, 0.35, 0.8);
    if (stem == "arrive_chime") return melody({79, 76, 0, 0, 0}, 0.45, 0.9);
    if (stem == "arrive_oneman") return melody({76, 72, 0, 0}, 0.45, 0.9);
    if (startsWith(stem, "melody_")) return departureMelody(std::max(0, stemNumber(stem)), 10.0);
    // Title sound.
    if (stem == "40225") {
        Signal s = melody({60, 64, 67, 72, 0, 67, 72, 76, 79, 0, 0, 84}, 0.24, 1.0);
        Signal pad = tone(130.8, 3.6, {0.3, 0.2, 0.1});
        envelope(pad, 1.0, 1.5);
        mixInto(s, pad, 0);
        return s;
    }
    return std::nullopt;
}

}  // namespace

std::string spokenText(std::string_view stemView, const SoundContext& context) {
    const std::string stem(stemView);
    static const std::map<std::string, std::string> fixed = {
        {"aspect_stop", "ていし"},
        {"aspect_restricted", "けいかい"},
        {"aspect_caution", "ちゅうい"},
        {"aspect_reduced", "げんそく"},
        {"aspect_proceed", "しんこう"},
        {"aspect_repeater", "ちゅうけい ちゅうい"},
        {"aspect_high", "こうそく しんこう"},
        {"on_time", "ていじ"},
        {"doors_closed", "とじめ よし"},
        {"first_power", "しゅっぱつ しんこう"},
        {"stop_position_ok", "ていしいち よし"},
        {"starting_signal", "しゅっぱつ"},
        {"home_signal", "じょうない"},
        {"block_signal", "へいそく"},
        {"passing", "つうか"},
        {"crossing_ok", "ふみきり よし"},
        {"gradient", "こうばい ちゅうい"},
        {"whistle", "きてき"},
        {"tunnel", "ずいどう"},
        {"overrun", "ていしいちを しゅうせいします。しょうしょう おまちください"},
    };
    if (auto it = fixed.find(stem); it != fixed.end()) return it->second;
    if (startsWith(stem, "late_")) return lateText(stemNumber(stem));
    if (startsWith(stem, "limit_")) return limitText(stemNumber(stem));
    if (startsWith(stem, "next_")) {
        auto it = context.stationReadings.find(stemNumber(stem));
        if (it != context.stationReadings.end()) return "つぎは、" + it->second + "です。";
    }
    return "";
}

PcmSound speak(const std::string& kana) {
    QTemporaryDir dir;
    if (!dir.isValid()) throw std::runtime_error("cannot create a temporary folder for espeak-ng");
    const QString file = dir.filePath("speech.wav");
    QProcess espeak;
    espeak.start("espeak-ng", {"-v", "ja", "-s", "150", "-w", file, QString::fromStdString(kana)});
    if (!espeak.waitForFinished(60000) || espeak.exitStatus() != QProcess::NormalExit ||
        espeak.exitCode() != 0) {
        throw std::runtime_error("espeak-ng failed for \"" + kana +
                                 "\" (is espeak-ng with its Japanese voice installed?)");
    }
    PcmSound voice = resample(readWav(file.toStdString()), kSampleRate);
    if (voice.samples.size() < samplesFor(0.1)) {
        throw std::runtime_error("espeak-ng produced no speech for \"" + kana + "\"");
    }
    // A short pause before and after, so that queued calls do not run into each other.
    Signal s(samplesFor(0.08), 0.0);
    for (std::int16_t v : voice.samples) s.push_back(v);
    s.resize(s.size() + samplesFor(0.12), 0.0);
    return finish(s, 0.7);
}

PcmSound makeSound(std::string_view name, const SoundContext& context) {
    const std::string stem = lowerStem(name);
    if (auto s = synthesizedSignal(folderStem(name))) return finish(*s);
    if (auto s = synthesizedSignal(stem)) return finish(*s);
    const std::string text = spokenText(stem, context);
    if (!text.empty()) return speak(text);
    throw std::runtime_error("no recipe for the sound \"" + std::string(name) + "\"");
}

}  // namespace tressmoor::mkcontent
