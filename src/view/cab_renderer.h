// CabRenderer: composes the driving window's picture — route video, lineside signs, stop lines,
// explanation text, cab panel, clock, timetable card and status labels — from plain state.
#pragma once

#include <QFont>
#include <QImage>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "data/settings_types.h"
#include "sim/lineside_sprites.h"
#include "sim/panel_state.h"
#include "sim/service.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::sim {
struct SimState;
}

namespace tressmoor::view {

/// Logical size of the driving window's client area and of its cab view.
inline constexpr int kWindowWidth = 1202;
inline constexpr int kWindowHeight = 801;
inline constexpr int kCabViewWidth = 802;
inline constexpr int kCabViewHeight = 801;

/// The options that change what is drawn.
struct RenderOptions {
    bool labels = true;             ///< text display mode: the status labels are shown
    bool explanation = true;        ///< the explanation text is drawn over the route view
    bool tunnelOverlayOff = false;  ///< visual effects off
};

/// What one composition cost, for the frame statistics.
struct ComposeTimes {
    double composeUs = 0;
};

/// Loads every picture of a drive once and composes frames from the state. Qt GUI thread only.
class CabRenderer {
public:
    /// Loads the panel pictures (from `trainFolder`) and the lineside and [Staf] pictures (from
    /// the program folder). Throws data::FatalError with the exact message when a picture cannot
    /// be loaded: "<file as written>の生成エラー" for a panel picture, the line's own messages
    /// ("停目の生成エラー" …) for lineside pictures, "<path>が見つかりません" for the first or
    /// third [Staf] picture.
    CabRenderer(const sim::LoadedService& service, const std::filesystem::path& programFolder,
                const std::filesystem::path& trainFolder);

    /// Points the renderer at the service the session now owns (the one given at construction
    /// may be a temporary of the loading).
    void rebind(const sim::LoadedService& service) { service_ = &service; }

    /// The panel's sprites; the frame updates them before composing.
    sim::PanelState& panel() { return panel_; }
    const sim::PanelState& panel() const { return panel_; }
    /// Cell counts of the notch strips, for the handle display.
    vehicle::StripCells stripCells() const;

    /// Composes the whole kWindowWidth × kWindowHeight picture into `target` (which must have
    /// that size, Format_RGB32). `video` is the decoded route-video frame (any size; drawn
    /// scaled to ViewWidth × ViewHeight at the top left) or null for black.
    void compose(QImage& target, const QImage* video, const sim::SimState& state,
                 const RenderOptions& options);

    /// The picture shown over the route view while paused (the second [Staf] picture); null
    /// when the line names none or it cannot be loaded.
    const QImage& pausedPicture() const { return paused_; }

private:
    // Implementation detail, free to change.
    struct Picture {
        QImage image;  ///< ARGB32 premultiplied, colour key made transparent
    };
    const sim::LoadedService* service_;
    sim::PanelState panel_;
    std::vector<Picture> panelPictures_;     ///< per panel sprite
    std::vector<sim::LinesideSprite> lineside_;
    std::vector<Picture> linesidePictures_;  ///< per lineside sprite
    QImage staf_;                            ///< first [Staf] picture
    QImage paused_;                          ///< second [Staf] picture
    QImage clockFace_;                       ///< 50 × 50, redrawn when the second changes
    std::int64_t clockSecond_ = -1;
    std::array<std::string, 16> labelTexts_{};  ///< what each label shows
};

}  // namespace tressmoor::view
