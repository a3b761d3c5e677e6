// The per-frame trace of a drive: one CSV row of the state after each frame.
#include "sim/drive_trace.h"

#include "sim/event_log.h"

#include <cstdio>
#include <ostream>

#include "sim/driving_session.h"

namespace tressmoor::sim {

namespace {

constexpr const char* kTraceHeader =
    "t_ms,clock,frame,distance_cm,speed_kmh,reverser,power_handle,power,brake_handle,"
    "brake_command,bc_t,bc_m,mr,bp,er,sap,signal,display_frame,aspect,check_value,"
    "pattern_state,emergency_trip,service_trip,vigilance_trip,station,next_stop,remaining_cm,"
    "doors_open,speed_needle_deg,bc_needle_deg,lamps,status,info";

/// The lamps of the panel trace, by the names of their train-file sections.
struct TracedLamp {
    PanelItem item;
    const char* name;
};
constexpr TracedLamp kTracedLamps[] = {
    {PanelItem::Panel2, "Panel2"},
    {PanelItem::Lamp_Door, "Door"},
    {PanelItem::Lamp_Power, "Power"},
    {PanelItem::Lamp_EB, "EB"},
    {PanelItem::Lamp_Gen, "Gen"},
    {PanelItem::Lamp_Air, "Air"},
    {PanelItem::Lamp_Fin, "Fin"},
    {PanelItem::Lamp_Ele, "Ele"},
    {PanelItem::Lamp_Ats1, "Ats1"},
    {PanelItem::Lamp_Ats2, "Ats2"},
    {PanelItem::Lamp_Ats3, "Ats3"},
    {PanelItem::Lamp_ATSP1, "ATSP1"},
    {PanelItem::Lamp_ATSP2, "ATSP2"},
    {PanelItem::Lamp_Fwd, "Fwd"},
    {PanelItem::Lamp_Neut, "Neut"},
    {PanelItem::Lamp_Back, "Back"},
    {PanelItem::Lamp_Suppress, "Suppress"},
    {PanelItem::Lamp_Stop, "Stop"},
    {PanelItem::Lamp_G, "G"},
    {PanelItem::Lamp_YG, "YG"},
    {PanelItem::Lamp_Y, "Y"},
    {PanelItem::Lamp_YY, "YY"},
    {PanelItem::Lamp_R, "R"},
    {PanelItem::Lamp_Const, "Const"},
};

/// Needle angle in degrees, or nothing when the train has no such needle.
std::string needleDegrees(const PanelState& panel, PanelItem item) {
    const PanelSprite* s = panel.find(item);
    if (s == nullptr) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.1Lf", s->angle / kNeedleUnitsPerDegree);
    return text;
}

/// The lit lamps the train has, joined by "+".
std::string litLamps(const PanelState& panel) {
    std::string out;
    for (const auto& lamp : kTracedLamps) {
        const PanelSprite* s = panel.find(lamp.item);
        if (s == nullptr || !s->visible) continue;
        if (!out.empty()) out += '+';
        out += lamp.name;
    }
    return out;
}

void writeTraceRow(std::ostream& out, double tMs, const DrivingSession& session,
                   const PanelState& panel) {
    const auto& s = session.state();
    const auto& v = s.vehicle;
    const auto& r = s.route;
    const int signal = r.CurrentSignal;
    const bool inView = signal >= 0 && signal < static_cast<int>(r.Aspect.size());
    char row[512];
    std::snprintf(
        row, sizeof row,
        "%.1f,%s,%d,%.0Lf,%.3Lf,%d,%d,%d,%d,%d,%.1f,%.1f,%.1f,%.1Lf,%.1f,%.1f,%d,%d,%d,%d,%d,%d,"
        "%d,%d,%d,%d,%.0Lf,%d,",
        tMs, clockText(r.Clock).c_str(), r.RoutePosition, r.LineDistance, v.Speed, v.Reverser,
        v.PowerHandle, v.Power, v.BrakeHandle, v.BrakeCommand, v.CylinderT.toDouble(),
        v.CylinderM.toDouble(), v.MainReservoir.toDouble(), v.BrakePipe,
        v.EqualisingReservoir.toDouble(), v.SapPressure.toDouble(), inView ? signal : -1,
        r.CurrentDisplayFrame, inView ? r.Aspect[static_cast<std::size_t>(signal)] : -1,
        s.safety.CheckValue, s.safety.PatternState, v.EmergencyTrip ? 1 : 0, v.ServiceTrip ? 1 : 0,
        v.VigilanceTrip ? 1 : 0, s.stations.CurrentStation, s.stations.NextStop,
        s.stations.RemainingDistance, v.DoorsOpen ? 1 : 0);
    out << row << needleDegrees(panel, PanelItem::Needle_Speed) << ','
        << needleDegrees(panel, PanelItem::Needle_BC) << ',' << litLamps(panel) << ',';
    // The status text may hold commas; quote it for CSV readers.
    std::string status = s.stations.StatusText;
    std::string quoted = "\"";
    for (char c : status) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    out << quoted << "\",\"";
    for (char c : s.Texts.Information) {
        if (c == '"') out << '"';
        out << c;
    }
    out << "\"\n";
}

}  // namespace

DriveTrace::DriveTrace(std::ostream& out) : out_(out) {
    out_ << kTraceHeader << '\n';
}

void DriveTrace::row(long double dtMs, const DrivingSession& session, const PanelState& panel) {
    // Summed in seconds, as the headless runner keeps its clock.
    nowSeconds_ += static_cast<double>(dtMs) / 1000.0;
    writeTraceRow(out_, nowSeconds_ * 1000, session, panel);
}

}  // namespace tressmoor::sim
