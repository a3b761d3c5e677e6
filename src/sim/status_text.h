// Status texts of the driving window: the label strings beside the cab view, the window caption,
// the explanation text over the route view, and the rows of the value display window.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "data/line_types.h"
#include "data/settings_types.h"
#include "data/train_types.h"
#include "sound/mixer.h"
#include "sound/sound_set.h"

namespace tressmoor::sim {

struct SimState;

/// Caption of the driving window until the line name replaces it.
inline constexpr std::string_view kDefaultCaption = "鉄道運転シミュレータ";

/// Number of label slots; slot k is `Label<k>` (slot 5 is not used).
inline constexpr int kLabelSlots = 16;

/// Where and how one status label is drawn on the black area right of the cab view.
struct LabelLayout {
    int slot = 0;        ///< k of `Label<k>`
    int left = 0;        ///< px in the driving window's client area
    int top = 0;         ///< px
    int width = 0;       ///< px
    int height = 0;      ///< px
    int fontHeight = 0;  ///< px, negative = character height (as the font API takes it)
    bool rightAligned = false;
    bool autoSize = false;     ///< the label grows with its text
    std::string_view font;     ///< font family
    std::string_view caption;  ///< text shown until the first refresh
};

/// Fonts of the labels.
inline constexpr std::string_view kUiFont = "Meiryo UI";
inline constexpr std::string_view kSmallFont = "ＭＳ Ｐゴシック";

/// The fifteen labels, white on black, transparent.
inline constexpr std::array<LabelLayout, 15> kStatusLabels = {{
    {0, 820, 692, 48, 30, -24, false, false, kUiFont, "前進"},
    {1, 892, 692, 53, 30, -24, false, false, kUiFont, "P1"},
    {2, 959, 692, 58, 30, -24, false, false, kUiFont, "B1"},
    {3, 820, 732, 48, 30, -24, false, false, kUiFont, "変速"},
    {4, 820, 542, 368, 30, -27, false, false, kUiFont, ""},
    {6, 929, 732, 84, 30, -21, false, false, kUiFont, "自車ドア"},
    {7, 1040, 763, 110, 30, -24, false, false, kUiFont, "00:00:00"},
    {8, 808, 340, 4, 13, -13, false, true, kSmallFont, ""},
    {9, 1040, 732, 109, 30, -21, false, false, kUiFont, "乗降完了"},
    {10, 836, 602, 341, 30, -21, false, false, kUiFont, ""},
    {11, 836, 646, 166, 30, -27, true, false, kUiFont, "0.0 km/h"},
    {12, 1037, 646, 125, 30, -27, true, false, kUiFont, "0 m"},
    {13, 820, 499, 149, 29, -24, false, false, kUiFont, ""},
    {14, 1044, 499, 221, 48, -24, false, false, kUiFont, ""},
    {15, 1040, 695, 154, 30, -21, false, false, kUiFont, "最高 110 km/h"},
}};

/// The status strings of a drive, composed every frame, and what the labels show. Every string
/// keeps its capacity between frames, so composing them allocates only while a text grows.
struct StatusTexts {
    std::string Reverser;        ///< Label0: reverser word
    std::string Power;           ///< Label1: power notch text
    std::string Brake;           ///< Label2: brake position text
    std::string Gear;            ///< Label3: gear or holding-brake text
    std::string StationLine;     ///< Label4: "次は …" / "ただいま …"
    std::string DoorText;        ///< Label6: one-man door-side text, "" otherwise
    std::string Clock;           ///< Label7: "HH:MM:SS"
    std::string CrossingText;    ///< Label8: crossing / traffic-signal distance text
    std::string BoardingText;    ///< Label9: station-complete or traffic-signal-change text
    std::string Information;     ///< Label10: limit and safety-pattern message
    std::string Information2;    ///< the second pattern ahead, "(次 …)"; not a label
    std::string Speed;           ///< Label11: "%5.1f km/h"
    std::string Remaining;       ///< Label12: distance to the stop position in metres
    std::string CurrentStation;  ///< Label13: name of the current station
    std::string NextStation;     ///< Label14: name of the next stop
    std::string SectionMax;  ///< Label15: "最高" + km/h + " km/h"; "" before the first section

    std::string Caption{kDefaultCaption};  ///< window caption
    std::string ExplanationText;           ///< hint drawn over the route view ("" none)
    bool ExplanationShown = false;  ///< the hint is drawn (the "no explanation" option is off)

    /// Texts the labels show: refreshed from the strings above only in text display mode, so
    /// they keep their last texts while the mode is off. Slot 5 stays empty.
    std::array<std::string, kLabelSlots> Labels = designCaptions();
    bool LabelsVisible = true;  ///< text display mode

    /// The traffic signal in view changed phase since it came into view (one-man boarding line).
    bool TrafficChangeSeen = false;

    static std::array<std::string, kLabelSlots> designCaptions();
};

/// Text display mode: the labels are visible and refreshed only while the option is on.
inline bool labelsVisible(const data::UserOptions& options) {
    return options.Moji != 0;
}

/// The explanation text of an explanation command: the command without its leading "0"; "" for
/// an empty command or one that does not start with "0".
std::string_view explanationText(std::string_view command);

/// Speed text: the speed with one decimal, right-aligned in five characters, + " km/h".
void formatSpeed(std::string& out, long double kmh);
/// Remaining-distance text of `cm` centimetres: whole metres beyond 10 m, tenths from 5 m to 10 m,
/// hundredths within 5 m, right-aligned in five characters, + " m"; negative after an overrun.
void formatRemaining(std::string& out, long double cm);
/// Right-aligned fixed-point text of `value` with `decimals` decimals (halves rounded away from
/// zero, no minus sign on a value that shows as zero), padded with spaces to `width`.
void formatFixed(std::string& out, long double value, int width, int decimals);

/// What the status texts are composed from besides the driving state.
struct StatusContext {
    const data::LineData& line;
    const data::AppSettings& settings;
    const data::UserOptions& options;
};

/// Composes every status string of the frame from the state (the texts the handles, the route,
/// the safety system and the stations keep are taken as they are), the window caption and the
/// explanation text, then refreshes the labels in text display mode. Writes state.Texts.
void UpdateStatusTexts(const StatusContext& c, SimState& state);

/// The information line and its second string (limit and safety-pattern messages).
void composeInformation(const StatusContext& c, const SimState& state, std::string& info,
                        std::string& info2);

// ---------------------------------------------------------------------------------------------
// Value display window.

/// One row of the value display: a caption and the value text beside it.
struct ValueRow {
    std::string_view caption;
    std::string text;
};

/// What the value display reads besides the driving state.
struct ValueDisplayContext {
    const data::LineData& line;
    const data::TrainSpec& spec;
    const sound::SoundSet& sounds;
    const sound::Mixer& mixer;
    int fps = 0;  ///< frames per second of the present frame
};

/// The rows of the value display window, in window order.
std::vector<ValueRow> valueDisplayRows(const ValueDisplayContext& c, const SimState& state);

/// Columns of the signal grid (signals 0 … 31).
inline constexpr int kSignalGridColumns = 32;

/// Text of signal `i` in the signal grid: "●"/"○" + check speed for a signal with a point check
/// (made or still to be made), else its aspect "R", "YY", "Y", "YG", "G", or "-" for a repeater, an
/// aspect beyond those names or a signal that does not exist.
std::string signalGridText(const data::LineData& line, const SimState& state, int i);

/// One cell of the 10 × 10 channel grid (cell column c, row r = channel 10 × r + c).
struct ChannelCell {
    bool hasWave = false;
    bool playing = false;  ///< painted cyan with the volume as text
    int volume = 0;        ///< hundredths of a dB
};
ChannelCell channelCell(const sound::Mixer& mixer, int channel);

}  // namespace tressmoor::sim
