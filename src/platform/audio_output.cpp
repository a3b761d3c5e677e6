#include "platform/audio_output.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "sound/memory_mixer.h"

namespace tressmoor::platform {

namespace {

void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

void unsetEnvironment(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

/// Holds OpenAL Soft's period settings in a configuration file named by ALSOFT_CONF while the
/// device opens; the variable and the file are gone afterwards. Does nothing when the user set
/// ALSOFT_CONF (their file wins) or when no period is asked for.
class PeriodConfiguration {
public:
    PeriodConfiguration(int periodFrames, int periods) {
        if (periodFrames <= 0 || periods <= 0 || std::getenv("ALSOFT_CONF") != nullptr) return;
        std::error_code ec;
        auto dir = std::filesystem::temp_directory_path(ec);
        if (ec) return;
        path_ = dir / ("tressmoor-alsoft-" + std::to_string(std::random_device{}()) + ".conf");
        std::ofstream out(path_);
        out << "[general]\nperiod_size = " << periodFrames << "\nperiods = " << periods << '\n';
        if (!out) {
            path_.clear();
            return;
        }
        out.close();
        setEnvironment("ALSOFT_CONF", path_.string());
    }
    ~PeriodConfiguration() {
        if (path_.empty()) return;
        unsetEnvironment("ALSOFT_CONF");
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    PeriodConfiguration(const PeriodConfiguration&) = delete;
    PeriodConfiguration& operator=(const PeriodConfiguration&) = delete;

private:
    std::filesystem::path path_;
};

}  // namespace

std::unique_ptr<sound::Mixer> createMixer(const AudioOptions& options) {
    auto notice = [&](const std::string& text) {
        if (options.notice) {
            options.notice(text);
        } else {
            std::cerr << text << '\n';
        }
    };
    std::string why = "no audio device is tried";
    if (options.tryDevice) {
        PeriodConfiguration configuration(options.periodFrames, options.periods);
        if (auto mixer = OpenAlMixer::openDevice(options.deviceName, options.device, &why)) {
            if (options.reporter) mixer->setReporter(options.reporter);
            return mixer;
        }
    }
    std::string loopbackWhy = "the silent OpenAL output is not allowed";
    if (options.allowLoopback) {
        if (auto mixer = OpenAlMixer::openLoopback(options.silentSampleRate, true, &loopbackWhy)) {
            notice("audio: " + why + "; sounds play silently through OpenAL's loopback device");
            if (options.reporter) mixer->setReporter(options.reporter);
            return mixer;
        }
    }
    notice("audio: " + why + " and " + loopbackWhy + "; sounds play silently");
    auto mixer = std::make_unique<sound::MemoryMixer>();
    if (options.reporter) mixer->setReporter(options.reporter);
    return mixer;
}

}  // namespace tressmoor::platform
