// A composed picture of a cab panel with its needles, lamps and strips, for looking at the
// generated panel pictures the way the driving window puts them together.
#pragma once

#include <QImage>
#include <filesystem>

#include "data/train_file.h"

namespace tressmoor::mkcontent {

/// Composes the panel of `train` (pictures read from `folder`) at a sample driving state: every
/// lamp lit, 72 km/h, brake cylinder 180 kPa, main reservoir 820 kPa, 260 A, brake command B3,
/// 1500 V, notch P3 and B3, gear 2, the cab signal at its fourth cell. The picture is the cab
/// view surface (800 × 800) with a grey stand-in for the route video.
QImage composePanelPreview(const data::TrainFile& train, const std::filesystem::path& folder);

}  // namespace tressmoor::mkcontent
