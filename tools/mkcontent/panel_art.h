// Pictures of a train's cab panel, drawn from the panel sections of its train file.
#pragma once

#include <string>

#include "art_common.h"
#include "data/train_file.h"

namespace tressmoor::mkcontent {

/// Draws every picture the train file names: the panel background (with a gauge face under each
/// needle, the unlit lamps, the clock dial and the strip frames, all where the file places them),
/// the tunnel overlay, the lit lamps, the needles, the linear bars, the notch, gear, digital-speed
/// and cab-signal strips (cell size and count as the file and the train's handles need) and the
/// further images. `title` names the train on its plates (e.g. "クモハ223-2001").
///
/// Needle pictures: square, see-through, the pivot at the centre, pointing straight up at angle 0;
/// the program turns them clockwise by (value × scale + zero) degrees.
void drawTrainPictures(const data::TrainFile& train, const std::string& title,
                       const ImageSink& put);

}  // namespace tressmoor::mkcontent
