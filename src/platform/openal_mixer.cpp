#include "platform/openal_mixer.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <vector>

namespace tressmoor::platform {

/// An OpenAL device with its one context. Shared by the mixer and every wave it loaded, so that
/// buffers are deleted while their context still exists, and the context and device go last.
class AlOutput {
public:
    AlOutput(ALCdevice* device, ALCcontext* context, LPALCRENDERSAMPLESSOFT render,
             std::string requestedName, AudioDeviceSettings settings)
        : device_(device),
          context_(context),
          render_(render),
          requestedName_(std::move(requestedName)),
          settings_(settings) {}
    ~AlOutput() {
        if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
        alcDestroyContext(context_);
        alcCloseDevice(device_);
    }
    AlOutput(const AlOutput&) = delete;
    AlOutput& operator=(const AlOutput&) = delete;

    void makeCurrent() const {
        if (alcGetCurrentContext() != context_) alcMakeContextCurrent(context_);
    }
    ALCdevice* device() const { return device_; }
    bool isLoopback() const { return render_ != nullptr; }
    void render(float* out, int frames) const { render_(device_, out, frames); }
    const std::string& requestedName() const { return requestedName_; }
    const AudioDeviceSettings& settings() const { return settings_; }

private:
    ALCdevice* device_;
    ALCcontext* context_;
    LPALCRENDERSAMPLESSOFT render_;  ///< set for loopback devices only
    std::string requestedName_;      ///< the name the device was opened with, for reopening
    AudioDeviceSettings settings_;
};

/// A file's samples in one AL buffer.
class AlWave final : public sound::Wave {
public:
    AlWave(std::shared_ptr<AlOutput> output, ALuint buffer, int sampleRate, double lengthMs)
        : output_(std::move(output)),
          buffer_(buffer),
          sampleRate_(sampleRate),
          lengthMs_(lengthMs) {}
    ~AlWave() override {
        output_->makeCurrent();
        alDeleteBuffers(1, &buffer_);
    }
    AlWave(const AlWave&) = delete;
    AlWave& operator=(const AlWave&) = delete;

    double lengthMs() const override { return lengthMs_; }
    ALuint buffer() const { return buffer_; }
    int sampleRate() const { return sampleRate_; }  ///< samples per second
    const AlOutput* output() const { return output_.get(); }

private:
    std::shared_ptr<AlOutput> output_;
    ALuint buffer_;
    int sampleRate_;
    double lengthMs_;
};

namespace {

/// Attributes both kinds of context ask for: enough sources for every channel (OpenAL Soft
/// shares one pool between mono and stereo sources; other implementations may not).
void appendSourceAttributes(std::vector<ALCint>& attributes) {
    attributes.insert(attributes.end(), {ALC_MONO_SOURCES, sound::kChannelCount, ALC_STEREO_SOURCES,
                                         sound::kChannelCount});
}

/// Creates the context, makes it current and turns distance attenuation off: pan is the only
/// thing a source's position is used for.
ALCcontext* createContext(ALCdevice* device, std::vector<ALCint> attributes) {
    attributes.push_back(0);
    ALCcontext* context = alcCreateContext(device, attributes.data());
    if (context == nullptr) return nullptr;
    alcMakeContextCurrent(context);
    alDistanceModel(AL_NONE);
    return context;
}

std::string normalisedPath(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

/// Gain for an attenuation in hundredths of a dB; −10000 is silence.
float gainFor(int hundredthsDb) {
    if (hundredthsDb <= -10000) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

std::shared_ptr<AlOutput> openOutput(const std::string& deviceName,
                                     const AudioDeviceSettings& settings, std::string* error) {
    ALCdevice* device = alcOpenDevice(deviceName.empty() ? nullptr : deviceName.c_str());
    if (device == nullptr) {
        if (error) {
            *error = deviceName.empty() ? "no audio device opens"
                                        : "the audio device '" + deviceName + "' does not open";
        }
        return nullptr;
    }
    std::vector<ALCint> attributes;
    if (settings.refreshHz > 0) {
        attributes.insert(attributes.end(), {ALC_REFRESH, settings.refreshHz});
    }
    if (settings.sampleRate > 0) {
        attributes.insert(attributes.end(), {ALC_FREQUENCY, settings.sampleRate});
    }
    appendSourceAttributes(attributes);
    ALCcontext* context = createContext(device, std::move(attributes));
    if (context == nullptr) {
        if (error) *error = "the audio device opens but gives no OpenAL context";
        alcCloseDevice(device);
        return nullptr;
    }
    return std::make_shared<AlOutput>(device, context, nullptr, deviceName, settings);
}

}  // namespace

std::unique_ptr<OpenAlMixer> OpenAlMixer::openDevice(const std::string& deviceName,
                                                     const AudioDeviceSettings& settings,
                                                     std::string* error) {
    auto output = openOutput(deviceName, settings, error);
    if (!output) return nullptr;
    return std::unique_ptr<OpenAlMixer>(new OpenAlMixer(std::move(output), false));
}

std::unique_ptr<OpenAlMixer> OpenAlMixer::openLoopback(int sampleRate, bool renderOnAdvance,
                                                       std::string* error) {
    auto fail = [&](const char* why) -> std::unique_ptr<OpenAlMixer> {
        if (error) *error = why;
        return nullptr;
    };
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") == ALC_FALSE) {
        return fail("OpenAL has no loopback device (ALC_SOFT_loopback)");
    }
    auto openLoopbackDevice = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto isFormatSupported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
        alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (openLoopbackDevice == nullptr || isFormatSupported == nullptr || render == nullptr) {
        return fail("OpenAL has no loopback device (ALC_SOFT_loopback)");
    }
    ALCdevice* device = openLoopbackDevice(nullptr);
    if (device == nullptr) return fail("the OpenAL loopback device does not open");
    if (isFormatSupported(device, sampleRate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT) == ALC_FALSE) {
        alcCloseDevice(device);
        return fail("the OpenAL loopback device cannot render stereo at that rate");
    }
    // Float output is never dithered: silence renders as exact zeros.
    std::vector<ALCint> attributes = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT};
    attributes.insert(attributes.end(), {ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT});
    attributes.insert(attributes.end(), {ALC_FREQUENCY, sampleRate});
    attributes.insert(attributes.end(), {ALC_HRTF_SOFT, ALC_FALSE});
    appendSourceAttributes(attributes);
    ALCcontext* context = createContext(device, std::move(attributes));
    if (context == nullptr) {
        alcCloseDevice(device);
        return fail("the OpenAL loopback device gives no context");
    }
    AudioDeviceSettings settings;
    settings.sampleRate = sampleRate;
    auto output = std::make_shared<AlOutput>(device, context, render, std::string{}, settings);
    return std::unique_ptr<OpenAlMixer>(new OpenAlMixer(std::move(output), renderOnAdvance));
}

OpenAlMixer::OpenAlMixer(std::shared_ptr<AlOutput> output, bool renderOnAdvance)
    : output_(std::move(output)), renderOnAdvance_(renderOnAdvance) {
    createSources();
}

OpenAlMixer::~OpenAlMixer() {
    // Sources first, then the buffers (the channels' and the cache's references), then the
    // context and the device when the last reference to the output goes.
    deleteSources();
    for (auto& c : channels_) c.wave.reset();
    cache_.clear();
}

void OpenAlMixer::createSources() {
    output_->makeCurrent();
    alGetError();
    sourceCount_ = 0;
    for (auto& c : channels_) {
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR) break;
        c.source = source;
        c.hasSource = true;
        resetSource(c);
        ++sourceCount_;
    }
    if (sourceCount_ < sound::kChannelCount) {
        std::cerr << "audio: the device gives only " << sourceCount_ << " sources; channels "
                  << sourceCount_ << " to " << sound::kChannelCount - 1 << " stay silent\n";
    }
}

void OpenAlMixer::deleteSources() {
    output_->makeCurrent();
    for (auto& c : channels_) {
        if (!c.hasSource) continue;
        alSourceStop(c.source);
        alSourcei(c.source, AL_BUFFER, 0);
        alDeleteSources(1, &c.source);
        c.hasSource = false;
    }
    sourceCount_ = 0;
}

void OpenAlMixer::resetSource(const Channel& c) const {
    alSourcei(c.source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(c.source, AL_ROLLOFF_FACTOR, 0.0f);
    alSource3f(c.source, AL_POSITION, 0.0f, 0.0f, -1.0f);
    alSourcef(c.source, AL_PITCH, 1.0f);
    alSourcef(c.source, AL_GAIN, 1.0f);
    alSourcei(c.source, AL_LOOPING, AL_FALSE);
}

OpenAlMixer::Channel* OpenAlMixer::channel(int number) {
    if (number < 0 || number >= sound::kChannelCount) {
        const auto message = sound::invalidChannelMessage(number);
        if (reporter_) {
            reporter_(message);
        } else {
            std::cerr << message << '\n';
        }
        return nullptr;
    }
    output_->makeCurrent();
    return &channels_[static_cast<std::size_t>(number)];
}

const OpenAlMixer::Channel* OpenAlMixer::channel(int number) const {
    if (number < 0 || number >= sound::kChannelCount) return nullptr;
    output_->makeCurrent();
    return &channels_[static_cast<std::size_t>(number)];
}

OpenAlMixer::Channel* OpenAlMixer::playable(int number) {
    Channel* c = channel(number);
    return c != nullptr && c->hasSource && c->wave != nullptr ? c : nullptr;
}

std::shared_ptr<sound::Wave> OpenAlMixer::loadWave(const std::string& path) {
    const std::string key = normalisedPath(path);
    if (auto it = cache_.find(key); it != cache_.end()) {
        if (auto wave = it->second.lock()) return wave;
        cache_.erase(it);
    }

    SF_INFO info{};
    std::unique_ptr<SNDFILE, SoundFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) return nullptr;
    if (info.channels < 1 || info.channels > 2 || info.samplerate <= 0 || info.frames < 0) {
        return nullptr;
    }
    // An AL buffer's size is an int count of bytes.
    const sf_count_t maxFrames = INT_MAX / (2 * info.channels);
    if (info.frames > maxFrames) return nullptr;
    sf_command(file.get(), SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t frames = sf_readf_short(file.get(), samples.data(), info.frames);
    if (frames < 0) return nullptr;
    samples.resize(static_cast<std::size_t>(frames * info.channels));

    output_->makeCurrent();
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) return nullptr;
    alBufferData(buffer, info.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, samples.data(),
                 static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)), info.samplerate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        return nullptr;
    }
    auto wave = std::make_shared<AlWave>(output_, buffer, info.samplerate,
                                         static_cast<double>(frames) * 1000.0 / info.samplerate);
    cache_[key] = wave;
    return wave;
}

void OpenAlMixer::attach(int number, std::shared_ptr<sound::Wave> wave) {
    Channel* c = channel(number);
    if (c == nullptr) return;
    auto alWave = std::dynamic_pointer_cast<AlWave>(std::move(wave));
    if (alWave != nullptr && alWave->output() != output_.get()) alWave.reset();
    if (c->hasSource) {
        alSourceStop(c->source);
        alSourcei(c->source, AL_BUFFER, alWave ? static_cast<ALint>(alWave->buffer()) : 0);
        resetSource(*c);
    }
    // The old wave is released only now that no source refers to its buffer.
    c->wave = std::move(alWave);
    c->looping = false;
    c->volume = 0;
}

bool OpenAlMixer::hasWave(int number) const {
    const Channel* c = channel(number);
    return c != nullptr && c->wave != nullptr;
}

void OpenAlMixer::Play(int number) {
    if (Channel* c = playable(number)) {
        alSourcei(c->source, AL_LOOPING, AL_FALSE);
        alSourceRewind(c->source);
        alSourcePlay(c->source);
        c->looping = false;
    }
}

void OpenAlMixer::LoopPlay(int number) {
    if (Channel* c = playable(number)) {
        alSourcei(c->source, AL_LOOPING, AL_TRUE);
        alSourceRewind(c->source);
        alSourcePlay(c->source);
        c->looping = true;
    }
}

void OpenAlMixer::Stop(int number) {
    if (Channel* c = playable(number)) alSourceStop(c->source);
}

void OpenAlMixer::FreqRate(int number, double ratio) {
    Channel* c = playable(number);
    if (c == nullptr) return;
    const double waveRate = c->wave->sampleRate();
    // NaN compares false everywhere; treat it like a ratio of 0.
    double rate = std::isnan(ratio) ? 0.0 : std::trunc(std::clamp(ratio, 0.0, 255.0) * waveRate);
    rate = std::max(rate, kMinPlaybackRate);
    alSourcef(c->source, AL_PITCH, static_cast<float>(rate / waveRate));
}

void OpenAlMixer::Volume(int number, int hundredthsDb) {
    Channel* c = channel(number);
    if (c == nullptr) return;
    c->volume = std::clamp(hundredthsDb, -10000, 0);
    if (c->hasSource) alSourcef(c->source, AL_GAIN, gainFor(c->volume));
}

int OpenAlMixer::volume(int number) const {
    const Channel* c = channel(number);
    return c != nullptr ? c->volume : 0;
}

void OpenAlMixer::Pan(int number, int pan) {
    Channel* c = channel(number);
    if (c == nullptr || !c->hasSource) return;
    // Hard left … ahead … hard right on the unit circle: the distance, and with it the overall
    // loudness, stays the same while the balance between the speakers changes.
    const double azimuth = std::clamp(pan, -10000, 10000) / 10000.0 * std::numbers::pi / 2;
    alSource3f(c->source, AL_POSITION, static_cast<float>(std::sin(azimuth)), 0.0f,
               static_cast<float>(-std::cos(azimuth)));
}

sound::ChannelStatus OpenAlMixer::Status(int number) const {
    const Channel* c = channel(number);
    if (c == nullptr || !c->hasSource || c->wave == nullptr) return sound::ChannelStatus::Idle;
    ALint state = AL_STOPPED;
    alGetSourcei(c->source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) return sound::ChannelStatus::Idle;
    return c->looping ? sound::ChannelStatus::Looping : sound::ChannelStatus::Once;
}

void OpenAlMixer::advance(double ms) {
    if (!renderOnAdvance_ || !output_->isLoopback() || !(ms > 0)) return;
    // A long gap (a pause, a debugger) renders at most one second: enough for the sounds that
    // were playing to move on, without spending seconds of CPU on output nobody hears.
    pendingFrames_ += std::min(ms, 1000.0) * sampleRate() / 1000.0;
    constexpr int kChunk = 4096;
    std::vector<float> scratch(2 * kChunk);
    while (pendingFrames_ >= 1.0) {
        const int frames = static_cast<int>(std::min(pendingFrames_, double{kChunk}));
        output_->render(scratch.data(), frames);
        pendingFrames_ -= frames;
    }
}

bool OpenAlMixer::reinitialise() {
    output_->makeCurrent();
    for (auto& c : channels_) {
        if (c.hasSource) {
            alSourceStop(c.source);
            alSourcei(c.source, AL_BUFFER, 0);
            resetSource(c);
        }
        c.wave.reset();
        c.looping = false;
        c.volume = 0;
    }
    std::erase_if(cache_, [](const auto& entry) { return entry.second.expired(); });

    ALCint connected = ALC_TRUE;
    if (alcIsExtensionPresent(output_->device(), "ALC_EXT_disconnect") == ALC_TRUE) {
        alcGetIntegerv(output_->device(), ALC_CONNECTED, 1, &connected);
    }
    if (connected == ALC_TRUE || output_->isLoopback()) return true;

    // The device went away (unplugged headphones, a stopped sound server): open it again.
    deleteSources();
    auto reopened = openOutput(output_->requestedName(), output_->settings(), nullptr);
    if (!reopened) return false;
    output_ = std::move(reopened);
    cache_.clear();
    createSources();
    return true;
}

bool OpenAlMixer::render(float* out, int frames) {
    if (!output_->isLoopback() || frames < 0) return false;
    output_->makeCurrent();
    output_->render(out, frames);
    return true;
}

bool OpenAlMixer::isLoopback() const {
    return output_->isLoopback();
}

std::string OpenAlMixer::deviceName() const {
    const ALCchar* name = alcGetString(output_->device(), ALC_ALL_DEVICES_SPECIFIER);
    if (name == nullptr) name = alcGetString(output_->device(), ALC_DEVICE_SPECIFIER);
    return name != nullptr ? name : "";
}

int OpenAlMixer::sampleRate() const {
    ALCint rate = 0;
    alcGetIntegerv(output_->device(), ALC_FREQUENCY, 1, &rate);
    return rate;
}

int OpenAlMixer::refreshHz() const {
    ALCint refresh = 0;
    alcGetIntegerv(output_->device(), ALC_REFRESH, 1, &refresh);
    return refresh;
}

double OpenAlMixer::latencyMs() const {
    if (alcIsExtensionPresent(output_->device(), "ALC_SOFT_device_clock") == ALC_FALSE) return -1;
    auto getInteger64 = reinterpret_cast<LPALCGETINTEGER64VSOFT>(
        alcGetProcAddress(output_->device(), "alcGetInteger64vSOFT"));
    if (getInteger64 == nullptr) return -1;
    ALCint64SOFT latency = -1;
    getInteger64(output_->device(), ALC_DEVICE_LATENCY_SOFT, 1, &latency);
    return latency < 0 ? -1.0 : static_cast<double>(latency) / 1e6;
}

}  // namespace tressmoor::platform
