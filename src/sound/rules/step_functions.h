// The per-frame steps of the running sounds, one function each (shared between the files of
// this library).
#pragma once

#include "sound/rules/running_sounds.h"

namespace tressmoor::sound::rules {

/// |speed| in km/h, 0 when not finite.
long double speedOf(const RunningSoundContext& c);
/// Brake-cylinder pressure shown by the BC gauge, kPa.
long double cylinderOf(const RunningSoundContext& c);
/// A safety demand for the emergency brake, or the handle at the emergency position.
bool emergencyCondition(const RunningSoundContext& c);

void attenuationStep(RunningSoundContext& c);
void soundEntries(RunningSoundContext& c);
void switchSounds(RunningSoundContext& c);
void announcements(RunningSoundContext& c);
void dopplerSources(RunningSoundContext& c);
void engineSounds(RunningSoundContext& c, long double dtMs);
void routeEventSound(RunningSoundContext& c);

}  // namespace tressmoor::sound::rules
