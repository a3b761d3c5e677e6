// The program's icon: the cab front of a train on its track, with a green signal beside it.
#pragma once

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

namespace tressmoor::mkcontent {

/// The square sizes, in pixels, the desktop icon theme gets.
inline const std::vector<int> kIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

/// The icon at one square size, transparent around its rounded plate. Small sizes leave out the
/// details that would only blur (the signal, the stripes, the destination board).
QImage drawIcon(int size);

/// Writes the icon at every size of kIconSizes into an icon-theme tree below `folder`:
/// hicolor/<N>x<N>/apps/<name>.png. Returns the files written.
std::vector<std::filesystem::path> writeIcons(const std::filesystem::path& folder,
                                              const std::string& name);

}  // namespace tressmoor::mkcontent
