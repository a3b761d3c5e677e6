#include "sim/sound_loading.h"

#include <system_error>

#include "data/fatal_error.h"
#include "data/path_resolver.h"
#include "sound/memory_mixer.h"

namespace tressmoor::sim {

namespace {

struct Loader {
    sound::Mixer& mixer;
    const std::function<void(const std::string&)>& warn;

    /// Loads `name` below `folder`; an empty name gives an empty slot.
    std::shared_ptr<sound::Wave> load(const std::filesystem::path& folder, const std::string& name,
                                      int* seconds = nullptr) {
        if (seconds != nullptr) *seconds = 0;
        if (name.empty()) return nullptr;
        const auto path = data::resolveDataPath(folder, name);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            throw data::FatalError((folder / data::toSlashes(name)).string() + "が見つかりません");
        }
        if (seconds != nullptr) {
            auto info = sound::readWavInfo(path.string());
            *seconds = info ? info->durationSeconds() : 0;
        }
        auto wave = mixer.loadWave(path.string());
        if (!wave && warn) warn(path.string() + " を読み込めません");
        return wave;
    }
};

}  // namespace

sound::SoundSet LoadSounds(const data::TrainSpec& spec, const data::LineData& line,
                           const SoundFolders& folders, sound::Mixer& mixer,
                           const std::function<void(const std::string&)>& progress,
                           const std::function<void(const std::string&)>& warn) {
    auto say = [&](const char* text) {
        if (progress) progress(text);
    };
    Loader loader{mixer, warn};
    sound::SoundSet set;

    say("DirectSoundオブジェクトを作成しています(走行音)");
    set.drive.resize(spec.DriveSound.size());
    set.driveSeconds.resize(spec.DriveSound.size());
    for (std::size_t i = 0; i < spec.DriveSound.size(); ++i) {
        set.drive[i] = loader.load(folders.train, spec.DriveSound[i], &set.driveSeconds[i]);
    }

    say("DirectSoundオブジェクトを作成しています(環境音)");
    set.ambient.resize(line.SoundData.size());
    set.ambientSeconds.resize(line.SoundData.size());
    for (std::size_t k = 0; k < line.SoundData.size(); ++k) {
        set.ambient[k] = loader.load(folders.program, line.SoundData[k], &set.ambientSeconds[k]);
    }

    say("DirectSoundオブジェクトを作成しています(喚呼)");
    set.callTableEnd = std::min(line.callSlotCount(), sound::kCallSlots);
    for (int slot = 0; slot < set.callTableEnd; ++slot) {
        set.calls[static_cast<std::size_t>(slot)] = loader.load(folders.program, line.callWave(slot));
    }
    for (const auto& name : line.OtherKanko) {
        set.otherCalls.push_back(loader.load(folders.program, name));
    }
    for (const auto& name : line.LimitKanko) {
        set.limitCalls.push_back(loader.load(folders.program, name));
    }
    for (const auto& record : spec.EngineSound1) {
        set.engineA.push_back(loader.load(folders.train, record.file));
    }
    for (const auto& record : spec.EngineSound3) {
        set.engineB.push_back(loader.load(folders.train, record.file));
    }

    say("サウンドを読み込んでいます");
    for (int i = 0; i < set.nDrive(); ++i) mixer.attach(i, set.drive[static_cast<std::size_t>(i)]);
    for (int k = 0; k < set.nAmbient(); ++k) {
        mixer.attach(set.ambientChannel(k), set.ambient[static_cast<std::size_t>(k)]);
    }
    for (int j = 0; j < set.nEngineA(); ++j) {
        mixer.attach(set.engineAChannel(j), set.engineA[static_cast<std::size_t>(j)]);
    }
    for (int j = 0; j < set.nEngineB(); ++j) {
        mixer.attach(set.engineBChannel(j), set.engineB[static_cast<std::size_t>(j)]);
    }
    for (int c = 0; c < sound::kChannelCount; ++c) {
        if (mixer.hasWave(c)) mixer.Stop(c);
    }
    return set;
}

void ReleaseSounds(sound::SoundSet& set, sound::Mixer& mixer) {
    const int last = std::min(set.eventChannel(), sound::kChannelCount - 1);
    for (int c = 0; c <= last; ++c) {
        mixer.Stop(c);
        mixer.attach(c, nullptr);
    }
    set = sound::SoundSet{};
}

}  // namespace tressmoor::sim
