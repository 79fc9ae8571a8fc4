// orlomat-synth: writes a synthetic flight record to a file.
#include "tools/synth/flight_synth.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: orlomat-synth [options] -o FILE\n"
    "  --code 0..15          sampling code (2: 10 samples/s)\n"
    "  --competitor N, --serial N\n"
    "  --peak M              highest altitude, metres (120)\n"
    "  --climb S, --glide S  climb and glide seconds (8, 60)\n"
    "  --ground S            seconds on the ground before launch and after landing (3)\n"
    "  --temperature C       ground temperature (20)\n"
    "  --seed N              noise seed\n"
    "  --max-length L        cut the record at L bytes\n"
    "  --no-spike            without the one sensor glitch mid-glide\n"
    "  --no-marker           without the end mark\n"
    "What real traces carry:\n"
    "  --dirty               all of the next four (and --no-spike, --ground 30)\n"
    "  --quantum PA          pressure in steps of PA (13.6)\n"
    "  --ground-noise PA     +-PA noise over the first 5 s (30)\n"
    "  --handling            lifted, put down, carried over a 5 m rise before launch\n"
    "  --drift PA            weather: ground pressure changes by PA in 3 minutes (50)\n"
    "  --transient T:PA[:MS] a pressure dip of PA pascals at T s lasting MS ms (20);\n"
    "                        repeatable; 500-8000 Pa for an ejection charge\n"
    "Glider flights (dirty as above, transients only as given, the weather drifting 50 Pa\n"
    "over the record; launch after 30 s of ground and handling, 30 s of ground at the end):\n"
    "  --glider KIND         hill-sink: launched from a hill, sinks 40 m, climbs 250 m,\n"
    "                          lands DROP below the start\n"
    "                        below: climbs 150 m, lands DROP below the start\n"
    "                        descent: only descends from the hilltop to DROP below\n"
    "                        ridge: soars 5 minutes at the launch level (+-10 m), lands\n"
    "                          DROP below\n"
    "                        thermal: aerotow to 400 m, climbs of 2.5 m/s and glides for\n"
    "                          HOURS, lands at the start level\n"
    "                        carry-back: as below, then rests a minute and is carried\n"
    "                          100 m back uphill\n"
    "                        relaunch: flies to 80 m and lands at the start, takes off\n"
    "                          again after 90 s and flies to 200 m\n"
    "  --drop M              metres below the start the glider lands (300)\n"
    "  --hours H             the thermal flight's length (1)\n"
    "  --drift-total PA      the weather's drift over the whole glider record (50;\n"
    "                        negative: the pressure falls), in place of --drift\n"
    "A record holds at most 8241 samples and its end mark (33000 bytes): about 2 h 17 min\n"
    "at 1 sample/s (--code 4), 4 h 34 min at 1 per 2 s (--code 5). A flight that does not\n"
    "fit is refused unless --max-length cuts it on purpose.\n";

struct GliderName {
    const char* name;
    orlomat::GliderKind kind;
};
constexpr GliderName kGliders[] = {
    {"hill-sink", orlomat::GliderKind::HillSink}, {"below", orlomat::GliderKind::Below},
    {"descent", orlomat::GliderKind::Descent},    {"ridge", orlomat::GliderKind::Ridge},
    {"thermal", orlomat::GliderKind::Thermal},    {"carry-back", orlomat::GliderKind::CarryBack},
    {"relaunch", orlomat::GliderKind::Relaunch},
};

float Number(const char* text, const char* option) {
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (end == text || *end != '\0') {
        std::fprintf(stderr, "orlomat-synth: %s wants a number, not \"%s\"\n", option, text);
        std::exit(2);
    }
    return v;
}

} // namespace

int main(int argc, char** argv) {
    orlomat::SynthParams p;
    const char* out = nullptr;
    const char* glider = nullptr;
    float drop = 300.0f, hours = 1.0f, driftTotal = 50.0f;
    bool cut = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "missing value for %s\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        const auto number = [&] { return Number(next(), a.c_str()); };
        if (a == "--code")
            p.samplingCode = static_cast<unsigned>(number());
        else if (a == "--competitor")
            p.competitor = static_cast<std::uint16_t>(number());
        else if (a == "--serial")
            p.serial = static_cast<std::uint16_t>(number());
        else if (a == "--peak")
            p.peakAltitude = number();
        else if (a == "--climb")
            p.climbSeconds = number();
        else if (a == "--glide")
            p.glideSeconds = number();
        else if (a == "--ground")
            p.groundSeconds = number();
        else if (a == "--temperature")
            p.groundTemperature = number();
        else if (a == "--seed")
            p.seed = static_cast<std::uint32_t>(std::atol(next()));
        else if (a == "--max-length") {
            p.maxLength = static_cast<std::size_t>(std::atol(next()));
            cut = true;
        } else if (a == "--glider")
            glider = next();
        else if (a == "--drop")
            drop = number();
        else if (a == "--hours")
            hours = number();
        else if (a == "--drift-total")
            driftTotal = number();
        else if (a == "--no-spike")
            p.spike = false;
        else if (a == "--no-marker")
            p.endMarker = false;
        else if (a == "--dirty") {
            const auto d = orlomat::SynthParams::Dirty(p.samplingCode, p.seed);
            p.spike = d.spike;
            p.noiseWords = d.noiseWords;
            p.quantumPa = d.quantumPa;
            p.groundNoisePa = d.groundNoisePa;
            p.noiseSeconds = d.noiseSeconds;
            p.handling = d.handling;
            p.driftPa = d.driftPa;
            p.groundSeconds = d.groundSeconds;
        } else if (a == "--quantum")
            p.quantumPa = number();
        else if (a == "--ground-noise")
            p.groundNoisePa = number();
        else if (a == "--handling")
            p.handling = true;
        else if (a == "--drift")
            p.driftPa = number();
        else if (a == "--transient") {
            orlomat::SynthParams::Transient t;
            const char* text = next();
            if (std::sscanf(text, "%f:%f:%f", &t.atSeconds, &t.depthPa, &t.milliseconds) < 2) {
                std::fprintf(stderr, "orlomat-synth: --transient wants T:PA[:MS], not \"%s\"\n",
                             text);
                return 2;
            }
            p.transients.push_back(t);
        } else if (a == "-o")
            out = next();
        else {
            std::fputs(kUsage, a == "--help" ? stdout : stderr);
            return a == "--help" ? 0 : 2;
        }
    }
    if (out == nullptr) {
        std::fprintf(stderr, "missing -o FILE\n");
        return 2;
    }
    if (glider != nullptr) {
        const auto* g =
            std::find_if(std::begin(kGliders), std::end(kGliders),
                         [&](const GliderName& n) { return glider == std::string(n.name); });
        if (g == std::end(kGliders)) {
            std::fprintf(stderr, "orlomat-synth: no glider flight \"%s\"\n", glider);
            return 2;
        }
        const orlomat::SynthParams base = p;
        p = orlomat::SynthParams::Glider(g->kind, base.samplingCode, base.seed, drop, hours,
                                         driftTotal);
        p.competitor = base.competitor;
        p.serial = base.serial;
        p.maxLength = base.maxLength;
        p.endMarker = base.endMarker;
        p.transients = base.transients;
    }
    const std::size_t fits = orlomat::SampleCount(orlomat::kMaxRecordSize) - 1;
    if (!cut && orlomat::SynthSampleCount(p) > fits) {
        std::fprintf(stderr,
                     "orlomat-synth: the flight takes %zu samples, a record holds %zu: choose a "
                     "slower --code, a shorter flight, or cut it with --max-length\n",
                     orlomat::SynthSampleCount(p), fits);
        return 2;
    }
    const auto bytes = orlomat::SynthesizeFlight(p);
    std::FILE* f = std::fopen(out, "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
        std::fclose(f) != 0) {
        std::perror(out);
        return 1;
    }
    return 0;
}
