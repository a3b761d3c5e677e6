// CabRenderer: composes the driving window's picture — route video, lineside signs, stop lines,
// explanation text, cab panel, clock, timetable card and status labels — from plain state.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QStaticText>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "data/settings_types.h"
#include "sim/lineside_sprites.h"
#include "sim/panel_state.h"
#include "sim/service.h"
#include "sim/status_text.h"
#include "vehicle/vehicle_context.h"

class QPainter;

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
    double composeUs = 0;  ///< µs of the last compose()
};

/// Loads every picture of a drive once and composes frames from the state. Qt GUI thread only.
///
/// The picture is built bottom to top: black, the route video, the lineside sprites (the scene
/// ahead, clipped to the route view), the explanation text, the cab panel's sprites (moved down
/// by the panel shake), the monitor image, the analogue clock, the first [Staf] picture and the
/// status labels. Pictures are loaded, colour-keyed and converted once; a frame allocates
/// nothing unless a text changed.
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

    /// Composes the whole kWindowWidth × kWindowHeight picture into `target` (which should have
    /// that size and Format_RGB32; it is reallocated otherwise). `video` is the decoded
    /// route-video frame (any size; drawn at the top left, scaled smoothly to ViewWidth ×
    /// ViewHeight when its size differs) or null for black. The explanation text is
    /// state.Texts.ExplanationText; the labels show state.Texts.Labels, read (and drawn) only
    /// while options.labels is set. Call panel() updates (sim::UpdatePanelState) first.
    void compose(QImage& target, const QImage* video, const sim::SimState& state,
                 const RenderOptions& options);
    /// Composes the same picture with `painter`, whose coordinates are the picture's logical
    /// ones (a window painting itself maps them onto its own size).
    void compose(QPainter& painter, const QImage* video, const sim::SimState& state,
                 const RenderOptions& options);

    /// The picture shown over the route view while paused (the second [Staf] picture); null
    /// when the line names none or it cannot be loaded.
    const QImage& pausedPicture() const { return paused_; }

    /// What the last composition cost.
    const ComposeTimes& lastTimes() const { return times_; }

private:
    struct Picture {
        QImage image;        ///< ARGB32 premultiplied, colour key made transparent
        int cellWidth = 0;   ///< px
        int cellHeight = 0;  ///< px
        int cells = 0;       ///< whole cells the picture holds
        QRect opaque;        ///< the part of the picture that is not see-through
    };
    /// One status label: its place, its font and the laid-out text it shows.
    struct Label {
        QRect rect;  ///< px in the window
        QFont font;
        bool rightAligned = false;
        bool autoSize = false;
        std::string text;  ///< UTF-8
        QStaticText layout;
        int textWidth = 0;  ///< px of the laid-out text
    };

    void loadPanelPictures(const std::filesystem::path& trainFolder);
    void loadLinesidePictures(const std::filesystem::path& programFolder);
    void loadStafPictures(const std::filesystem::path& programFolder);
    void setUpLabels();

    void drawLineside(QPainter& p, const sim::SimState& state, bool panelLayer);
    void drawPanel(QPainter& p);
    void drawExplanation(QPainter& p, const std::string& text);
    QRect explanationArea() const;
    void drawClock(QPainter& p);
    void drawLabels(QPainter& p, const sim::SimState& state);
    void setLabelText(Label& label, const std::string& text);

    const sim::LoadedService* service_;
    sim::PanelState panel_;
    std::vector<Picture> panelPictures_;  ///< per panel sprite
    std::vector<sim::LinesideSprite> lineside_;
    std::vector<Picture> linesidePictures_;  ///< per lineside sprite
    /// Indices into lineside_ per item, in build order.
    std::array<std::vector<int>, sim::kLinesideItemCount> linesideByItem_;
    QImage staf_;       ///< first [Staf] picture
    QImage paused_;     ///< second [Staf] picture
    QImage clockFace_;  ///< 50 × 50, redrawn when the second changes
    std::int64_t clockSecond_ = -1;
    std::array<Label, sim::kStatusLabels.size()> labels_;
    std::string explanationText_;  ///< text of explanationImage_
    QImage explanationImage_;      ///< the explanation text with its outline, ARGB32 premultiplied
    ComposeTimes times_;
};

}  // namespace tressmoor::view
