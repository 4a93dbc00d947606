// SPDX-License-Identifier: MIT
// bwf_import_bench IN.wav OUT.mov [--16] [--rate 48000|44100] [--link]: imports one BWF file into a movie
// and prints the seconds it took and the peak resident memory, for bench/bwf-import-bench to set
// beside cp and sox (or ffmpeg) on the same file.
#include "movie/bwf_import.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s IN.wav OUT.mov [--16] [--rate 48000|44100] [--link]\n", argv[0]);
        return 2;
    }
    korvel::BwfImportOptions options;
    options.inputFile = argv[1];
    options.destFile = argv[2];
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--16") == 0) {
            options.bitReduce = true;
        } else if (std::strcmp(argv[i], "--link") == 0) {
            options.linkmedia = true;
        } else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
            options.sampleRate = std::string(argv[++i]) + " kHz";
        }
    }
    const auto start = std::chrono::steady_clock::now();
    auto info = korvel::ZAN_ImportFile(options, [](std::string_view line) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!info) {
        std::fprintf(stderr, "%s\n", info.error().message.c_str());
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.3f %ld\n", seconds, usage.ru_maxrss);
    return 0;
}
