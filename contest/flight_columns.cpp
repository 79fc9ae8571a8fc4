#include "contest/flight_columns.h"

#include "core/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace orlomat {

namespace {

using namespace column;

// One precision a column: 2 decimals for times, 1 for rates.
int Decimals(CellKind k) {
    return k == CellKind::Seconds ? 2 : 1;
}

double Rounded(double v, int decimals) {
    const double f = decimals == 2 ? 100.0 : 10.0;
    const double r = std::round(v * f) / f;
    return r == 0.0 ? 0.0 : r; // no "-0.0"
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, Rounded(v, decimals),
                                 std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

} // namespace

const char* ListStatusKey(ListStatus status) {
    switch (status) {
    case ListStatus::Expected:
        return "expected";
    case ListStatus::Unknown:
        return "unknown";
    case ListStatus::Missing:
        return "missing";
    case ListStatus::Unlisted:
        break;
    }
    return "";
}

std::string FlightCell::shown() const {
    if (!present) return {};
    switch (kind) {
    case CellKind::Flag:
        return flag ? "true" : "false";
    case CellKind::Seconds:
    case CellKind::Rate:
        return Fixed(number, Decimals(kind));
    case CellKind::Whole:
    case CellKind::Text:
        break;
    }
    return text;
}

std::string ClockText(double seconds) {
    if (seconds < 3600.0) return Fixed(seconds, 2);
    const auto whole = static_cast<long long>(std::llround(seconds));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return buffer;
}

std::string FlightCell::shownToPeople() const {
    return present && kind == CellKind::Seconds ? ClockText(number) : shown();
}

void FlightCell::json(JsonWriter& j) const {
    if (!present) {
        j.null();
    } else if (kind == CellKind::Flag) {
        j.value(flag);
    } else if (kind == CellKind::Whole) {
        j.value(static_cast<std::int64_t>(number));
    } else if (kind == CellKind::Text) {
        j.value(text);
    } else {
        j.figure(Rounded(number, Decimals(kind)));
    }
}

const char* NoLandingKey(NoLanding n) {
    switch (n) {
    case NoLanding::NeverLaunched:
        return "never_launched";
    case NoLanding::StillAloft:
        return "still_aloft";
    case NoLanding::RecordCut:
        return "record_cut";
    case NoLanding::NoSamples:
        return "no_samples";
    case NoLanding::None:
        break;
    }
    return "";
}

const char* NoLaunchKey(NoLaunch n) {
    switch (n) {
    case NoLaunch::NeverLaunched:
        return "never_launched";
    case NoLaunch::StartedAloft:
        return "started_aloft";
    case NoLaunch::NoSamples:
        return "no_samples";
    case NoLaunch::None:
        break;
    }
    return "";
}

std::vector<FlightCell> FlightCells(const FlightRow& r) {
    std::vector<FlightCell> c(kFlightColumnCount);
    for (std::size_t i = 0; i < kFlightColumnCount; ++i)
        c[i].kind = kFlightColumns[i].kind;
    const auto text = [&](std::size_t i, std::string v) {
        c[i].present = true;
        c[i].text = std::move(v);
    };
    const auto number = [&](std::size_t i, std::optional<double> v) {
        if (v && std::isfinite(*v)) c[i].present = true, c[i].number = *v;
    };
    text(kFile, r.file);
    if (!r.date.empty()) text(kDate, r.date);
    if (r.check) text(kVerified, FileCheckKey(*r.check));
    if (r.listStatus != ListStatus::Unlisted) text(kEntry, ListStatusKey(r.listStatus));
    if (r.listStatus == ListStatus::Missing) {
        number(kCompetitor, r.competitor);
        c[kCompetitor].text = std::to_string(r.competitor);
        c[kFile].present = false;
        return c;
    }
    if (!r.holdsFlight) return c;
    const FlightStats& s = r.stats;
    number(kCompetitor, r.competitor);
    c[kCompetitor].text = std::to_string(r.competitor);
    number(kSerial, r.serial);
    c[kSerial].text = std::to_string(r.serial);
    text(kSampling, r.samplingText);
    if (s.maxText) text(kMax, *s.maxText);
    if (s.maxFilteredText) text(kMaxFiltered, *s.maxFilteredText);
    if (s.maxCleanText) text(kMaxClean, *s.maxCleanText);
    c[kSuspect].present = true;
    c[kSuspect].flag = s.maxSuspect;
    number(kTimeOfMax, s.timeOfMaxS);
    number(kLaunch, s.launchS);
    if (s.noLaunch != NoLaunch::None) text(kNoLaunch, NoLaunchKey(s.noLaunch));
    number(kLanding, s.landingS);
    if (s.noLanding != NoLanding::None) text(kNoLanding, NoLandingKey(s.noLanding));
    if (s.landingAltitudeText) text(kLandingAltitude, *s.landingAltitudeText);
    number(kDuration, s.durationS);
    number(kClimb, s.climbMS);
    number(kMaxClimb, s.maxClimbMS);
    number(kMaxSink, s.maxSinkMS);
    number(kMaxClimbRaw, s.maxClimbRawMS);
    number(kMaxSinkRaw, s.maxSinkRawMS);
    return c;
}

std::string TrimmedText(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

} // namespace orlomat
