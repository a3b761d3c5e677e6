// Pictures of the title window: five title scenes, the service buttons, HELP, Quit, "loading".
#pragma once

#include <array>
#include <string>

#include "art_common.h"

namespace tressmoor::mkcontent {

/// File names of the title window's pictures, relative to the program folder.
inline constexpr std::array<const char*, 5> kTitlePictures = {
    "image\\title\\01.jpg", "image\\title\\02.jpg", "image\\title\\03.jpg", "image\\title\\04.jpg",
    "image\\title\\05.jpg"};
/// The five service buttons (Train1, Train2, train3, train4, train5), 320 × 36 each.
inline constexpr std::array<const char*, 5> kServiceButtons = {
    "image\\title\\service1.png", "image\\title\\service2.png", "image\\title\\service3.png",
    "image\\title\\service4.png", "image\\title\\service5.png"};
inline constexpr const char* kHelpButton = "image\\title\\help.png";       ///< 60 × 26
inline constexpr const char* kQuitButton = "image\\title\\quit.png";       ///< 60 × 26
inline constexpr const char* kLoadingPlate = "image\\title\\loading.png";  ///< 110 × 58

/// Draws the title scenes (800 × 600, a railway scene each with the program's title), the five
/// service buttons captioned with the services' names, HELP, Quit and the "loading" plate.
void drawTitlePictures(const std::array<std::string, 5>& serviceNames, const ImageSink& put);

}  // namespace tressmoor::mkcontent
