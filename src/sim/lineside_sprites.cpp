#include "sim/lineside_sprites.h"

#include "sim/sim_state.h"

namespace tressmoor::sim {

std::vector<LinesideSprite> BuildLinesideSprites(const data::LineData&) { return {}; }

LinesidePlacement PlaceLineside(LinesideItem, const SimState&) { return {}; }

}  // namespace tressmoor::sim
