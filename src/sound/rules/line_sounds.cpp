// Sounds placed on the line: attenuated stretches, positional sounds, points, announcements,
// Doppler sources and the waves named by route events.
#include <algorithm>
#include <cmath>

#include "data/path_resolver.h"
#include "sound/rules/channel_ops.h"
#include "sound/rules/step_functions.h"

namespace tressmoor::sound {

using namespace rules;

namespace {

/// Fade of a looping entry over its first or last 30 frames: 3.3 % per frame.
constexpr long double kFadePerFrame = 0.033L;
constexpr long double kMinAttenuation = 0.1L;

void setPitchAndVolume(RunningSoundContext& c, const data::SoundRecord& r, int ch, long double v) {
    const long double ref = static_cast<long double>(r.ReferenceSpeed);
    const bool usable = ref > 0;
    c.mixer.FreqRate(ch, r.Pitch != 0 && usable ? static_cast<double>(v / ref) : 1.0);
    int volume = 0;
    if (v > 0 && r.Volume == 1 && usable) volume = logLevel(5000, v * c.state.attenuation / ref);
    c.mixer.Volume(ch, volume);
}

void oneShotEntry(RunningSoundContext& c, const data::SoundRecord& r, std::uint8_t& started, int ch,
                  long double v, int d) {
    if (0 <= d && d < kSoundWindowFrames) {
        setPitchAndVolume(c, r, ch, v);
        if (!started) {
            restart(c.mixer, ch);
            started = 1;
        }
    } else {
        started = 0;  // left the window: it may sound again on the next pass
    }
}

void loopingEntry(RunningSoundContext& c, const data::SoundRecord& r, std::uint8_t& started, int ch,
                  long double v, int frame) {
    auto& s = c.state;
    const int d = frame - r.TriggerFrame;
    const int toEnd = r.EndFrame - frame;
    const bool inStart = 0 <= d && d < kSoundWindowFrames;
    const bool inEnd = 0 <= toEnd && toEnd < kSoundWindowFrames;
    const bool between = r.TriggerFrame < frame && frame < r.EndFrame;
    if (inStart || inEnd) {
        if (r.Fade == 1) {
            s.attenuation = static_cast<long double>(inStart ? d : toEnd) * kFadePerFrame;
        }
        s.attenuation = std::clamp(s.attenuation, kMinAttenuation, 1.0L);
    }
    if (inStart || inEnd || between) {
        setPitchAndVolume(c, r, ch, v);
        if (between && v < 1) c.mixer.Volume(ch, -10000);
    }
    if (inStart && !started) {
        c.mixer.Stop(ch);
        c.mixer.LoopPlay(ch);
        started = 1;
    }
    const int pastEnd = frame - r.EndFrame;
    const bool outside = frame < r.TriggerFrame || pastEnd >= 0;
    if (started && outside && !inStart) {
        // Stopped just past the end, and also when the train left the stretch another way
        // (backwards, or by a jump).
        stopIfPlaying(c.mixer, ch);
        started = 0;
    }
}

void modeOneEntry(RunningSoundContext& c, const data::SoundRecord& r, std::uint8_t& started, int ch,
                  long double v, int frame) {
    if (r.TriggerFrame < frame && frame < r.EndFrame) {
        if (!started && r.ReferenceSpeed >= data::roundTiesEven(v)) {
            restart(c.mixer, ch);
            started = 1;
        }
    } else {
        started = 0;
    }
}

bool signalClear(const RunningSoundContext& c, int condition) {
    const auto& aspect = c.route.Aspect;
    if (condition < 1 || condition > static_cast<int>(aspect.size())) return false;
    return aspect[static_cast<std::size_t>(condition - 1)] != 0;
}

bool stationSoundPlaying(const RunningSoundContext& c, const data::StationRecord& st) {
    for (int k : {st.ArrivalSound, st.DepartureSound}) {
        const int ch = ambient(c.sounds, k);
        if (ch >= 0 && !idle(c.mixer, ch)) return true;
    }
    return false;
}

void playAnnouncement(RunningSoundContext& c, int j) {
    const auto* e = c.line.Announce.entry(j);
    if (e == nullptr) return;
    restart(c.mixer, ambient(c.sounds, e->Values[0]));
    c.state.announcePlayed[static_cast<std::size_t>(j - 1)] = 1;
    if (c.announcePointer <= j) c.announcePointer = j + 1;
}

}  // namespace

namespace rules {

void attenuationStep(RunningSoundContext& c) {
    const int frame = c.route.RoutePosition;
    long double a = 1.0;
    for (const auto& r : c.line.Atten) {
        if (r.FirstFrame < frame && frame < r.LastFrame) {
            a = static_cast<long double>(r.Attenuation) / 100;
            break;
        }
    }
    c.state.attenuation = std::clamp(a, kMinAttenuation, 1.0L);
}

void soundEntries(RunningSoundContext& c) {
    const int frame = c.route.RoutePosition;
    const long double v = speedOf(c);
    const auto& list = c.line.Sound;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto& r = list[i];
        const int ch = ambient(c.sounds, r.Sound);
        if (ch < 0) continue;
        auto& started = c.state.soundStarted[i];
        if (r.Loop >= 1) {
            loopingEntry(c, r, started, ch, v, frame);
        } else if (r.Mode == 0) {
            oneShotEntry(c, r, started, ch, v, frame - r.TriggerFrame);
        } else if (r.Mode == 1) {
            modeOneEntry(c, r, started, ch, v, frame);
        }
    }
}

void switchSounds(RunningSoundContext& c) {
    const int frame = c.route.RoutePosition;
    const long double v = speedOf(c);
    const auto& list = c.line.Switch;
    for (std::size_t i = 0; i < list.size(); ++i) {
        auto& played = c.state.switchPlayed[i];
        if (std::abs(list[i].Frame - frame) >= kSwitchWindowFrames) {
            played = 0;
            continue;
        }
        if (played) continue;
        played = 1;
        // The first row for this kind of switch whose speed is still above the train's; points
        // with no matching row are passed silently.
        for (const auto& row : c.spec.SwitchSound) {
            if (static_cast<long double>(row.speed) > v && row.type == list[i].Type) {
                restart(c.mixer, row.sound);
                break;
            }
        }
    }
}

void announcements(RunningSoundContext& c) {
    const auto& line = c.line;
    const auto& announce = line.Announce;
    const long double v = speedOf(c);
    const int next = c.stations.NextStop;
    const bool hasAnnouncements = !announce.Entries.empty() || announce.StopAnnounceSound != 0;
    if (hasAnnouncements && next >= 0 && next < static_cast<int>(line.Station.size())) {
        auto& done = c.state.stopAnnounced[static_cast<std::size_t>(next)];
        const auto& st = line.Station[static_cast<std::size_t>(next)];
        if (!done && v < 1 && !c.vehicle.DoorsOpen && c.stations.RemainingDistance < 0 &&
            !stationSoundPlaying(c, st)) {
            const int ch = ambient(c.sounds, announce.StopAnnounceSound);
            if (ch >= 0) c.mixer.Play(ch);
            done = 1;
        }
    }
    // Entries of kind 0 play by position: from `start` to `end` metres past their station's
    // stop position. Other kinds play only by key.
    const long double pos = c.route.LineDistance;
    for (std::size_t j = 0; j < announce.Entries.size(); ++j) {
        if (c.state.announcePlayed[j]) continue;
        const auto& e = announce.Entries[j].Values;
        if (e[1] != 0 || e[2] < 0 || e[2] >= static_cast<int>(line.Station.size())) continue;
        const long double base =
            static_cast<long double>(line.Station[static_cast<std::size_t>(e[2])].StopDistance);
        const long double from = base + static_cast<long double>(e[3]) * 100;
        const long double to = base + static_cast<long double>(e[4]) * 100;
        if (!(from <= pos && pos < to)) continue;
        const int ch = ambient(c.sounds, e[0]);
        if (ch >= 0 && !idle(c.mixer, ch)) continue;
        playAnnouncement(c, static_cast<int>(j) + 1);
    }
}

void dopplerSources(RunningSoundContext& c) {
    const long double pos = c.route.LineDistance;
    const long double v = speedOf(c);
    bool any = false;
    for (const auto& r : c.line.Doppler) {
        const long double P = static_cast<long double>(r.SourceDistance);
        const long double radius = static_cast<long double>(r.Radius);
        const long double distance = std::fabs(pos - P);
        if (!(radius > 0) || !(distance <= radius)) continue;
        any = true;
        const int ch = ambient(c.sounds, r.Sound);
        if (ch < 0) continue;
        if (idle(c.mixer, ch) && (r.Condition == 0 || signalClear(c, r.Condition))) {
            c.mixer.Stop(ch);
            c.mixer.LoopPlay(ch);
        }
        if (r.NoDoppler != 1) c.mixer.FreqRate(ch, static_cast<double>(dopplerRatio(P - pos, v)));
        c.mixer.Volume(ch, dopplerVolume(distance, radius));
    }
    if (!any && c.state.dopplerActive) {
        for (const auto& r : c.line.Doppler) stopIfPlaying(c.mixer, ambient(c.sounds, r.Sound));
    }
    c.state.dopplerActive = any;
}

void routeEventSound(RunningSoundContext& c) {
    auto& s = c.state;
    if (c.eventCommand == s.lastEventCommand) return;
    s.lastEventCommand.assign(c.eventCommand);
    const std::string& command = s.lastEventCommand;
    // Texts ("0…") and an empty command are the view's; waves are played here.
    if (command.empty() || (command[0] != '1' && command[0] != '2')) return;
    const int ch = c.sounds.eventChannel();
    if (!valid(ch)) return;
    const std::string_view name = std::string_view(command).substr(1);
    const auto path = data::resolveDataPath(c.programFolder, name);
    c.mixer.Stop(ch);
    c.mixer.attach(ch, c.mixer.loadWave(path.string()));
    if (command[0] == '1') {
        c.mixer.Play(ch);
    } else {
        c.mixer.LoopPlay(ch);
    }
    c.event(std::string("event sound ") + std::string(name));
}

}  // namespace rules

long double dopplerRatio(long double ahead, long double speed) {
    // cos(atan(300 ÷ ahead)) without dividing by zero right beside the source.
    const long double cosine =
        std::fabs(ahead) / std::sqrt(ahead * ahead + kDopplerOffsetCm * kDopplerOffsetCm);
    const long double shift = cosine * speed;
    long double denominator = ahead > 0 ? kSoundSpeedKmh - shift : kSoundSpeedKmh + shift;
    denominator = std::max<long double>(denominator, 1);
    return kSoundSpeedKmh / denominator;
}

int dopplerVolume(long double distance, long double radius) {
    if (!(radius > 0)) return -10000;
    return logLevel(2000, (radius - distance) / radius);
}

bool NextAnnouncement(RunningSoundContext& c) {
    const int j = c.announcePointer;
    if (c.line.Announce.entry(j) == nullptr) return false;
    playAnnouncement(c, j);
    c.event("announcement " + std::to_string(j));
    return true;
}

void BackAnnouncement(RunningSoundContext& c) {
    if (c.announcePointer <= 1) return;
    const int j = --c.announcePointer;
    if (const auto* e = c.line.Announce.entry(j)) {
        stopIfPlaying(c.mixer, ambient(c.sounds, e->Values[0]));
        c.state.announcePlayed[static_cast<std::size_t>(j - 1)] = 0;
    }
}

}  // namespace tressmoor::sound
