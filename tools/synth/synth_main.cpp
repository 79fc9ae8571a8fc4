// orlomat-synth: writes a synthetic flight record to a file.
#include "tools/synth/flight_synth.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    orlomat::SynthParams p;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "missing value for %s\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--code")
            p.samplingCode = static_cast<unsigned>(std::atoi(next()));
        else if (a == "--competitor")
            p.competitor = static_cast<std::uint16_t>(std::atoi(next()));
        else if (a == "--serial")
            p.serial = static_cast<std::uint16_t>(std::atoi(next()));
        else if (a == "--peak")
            p.peakAltitude = std::strtof(next(), nullptr);
        else if (a == "--glide")
            p.glideSeconds = std::strtof(next(), nullptr);
        else if (a == "--temperature")
            p.groundTemperature = std::strtof(next(), nullptr);
        else if (a == "--seed")
            p.seed = static_cast<std::uint32_t>(std::atol(next()));
        else if (a == "--max-length")
            p.maxLength = static_cast<std::size_t>(std::atol(next()));
        else if (a == "--no-spike")
            p.spike = false;
        else if (a == "--no-marker")
            p.endMarker = false;
        else if (a == "-o")
            out = next();
        else {
            std::fprintf(stderr,
                         "usage: orlomat-synth [--code 0..15] [--competitor N] [--serial N] "
                         "[--peak M] [--glide S] [--temperature C] [--seed N] "
                         "[--max-length L] [--no-spike] [--no-marker] -o FILE\n");
            return 2;
        }
    }
    if (out == nullptr) {
        std::fprintf(stderr, "missing -o FILE\n");
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
