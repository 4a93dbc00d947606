// SPDX-License-Identifier: MIT
// ale2fcp and fcp2ale on 100,000-row files, with `cp` of the same file as the peer. The file
// benchmarks run each conversion as the command line does (read, convert, write atomically) in a
// child process, so that its peak memory (max RSS) is measured alone.
#include "platform/scripted_user_interface.h"
#include "platform/text_file.h"
#include "shotlog/ale_tools.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace korvel {
namespace {

namespace fs = std::filesystem;

constexpr int kRows = 100000;
constexpr const char* kChildVariable = "KORVEL_SHOTLOG_BENCH_CHILD";

std::string timecode(int frame) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", frame / 90000 % 24, frame / 1500 % 60,
                  frame / 25 % 60, frame % 25);
    return text;
}

std::string generatedAle() {
    std::string text =
        "Heading\nFIELD_DELIM\tTABS\nVIDEO_FORMAT\tPAL\nAUDIO_FORMAT\t48khz\nFPS\t25\n"
        "\nColumn\nName\tTracks\tStart\tEnd\tTape\tScene\tTake\tComments\tCamera\n\n"
        "Data\n";
    constexpr const char* kTracks[] = {"V", "VA1", "VA1A2", "A1A2", "VA1A2A3A4"};
    for (int i = 0; i < kRows; ++i) {
        text += "Scene " + std::to_string(i / 10) + " take " + std::to_string(i % 10) +
                " / harbour wide\t" + kTracks[i % 5] + "\t" + timecode(i * 250) + "\t" +
                timecode(i * 250 + 240) + "\tA" + std::to_string(i / 1000) + "\t" +
                std::to_string(i / 10) + "\t" + std::to_string(i % 10) + "\tgood light, gulls\tA\n";
    }
    return text;
}

std::string generatedBatchList() {
    std::string text = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\tScene\tShot/Take\t"
                       "Log Note\tMaster Comment 1\r";
    constexpr const char* kTracks[] = {"1V", "1V, 1A", "1V, 2A", "2A", "1A"};
    for (int i = 0; i < kRows; ++i) {
        if (i % 1000 == 0) {
            text += "- Bin " + std::to_string(i / 1000) + "\r";
        }
        text += "Scene " + std::to_string(i / 10) + " take " + std::to_string(i % 10) + "\t" +
                timecode(i * 250) + "\t" + timecode(i * 250 + 240) + "\t" + kTracks[i % 5] +
                "\tA1\tA" + std::to_string(i / 1000) + "\t" + (i % 7 == 0 ? "SubClip" : "Clip") +
                "\t" + std::to_string(i / 10) + "\t" + std::to_string(i % 10) + "\tgood light\tA\r";
    }
    return text;
}

const fs::path& folder() {
    static const fs::path path = [] {
        // A measured child works in its parent's folder, on the files already generated there.
        if (const char* mode = std::getenv(kChildVariable)) {
            const std::string_view value(mode);
            return fs::path(value.substr(value.find(':') + 1));
        }
        fs::path made =
            fs::temp_directory_path() / ("korvel-shotlog-bench-" + std::to_string(getpid()));
        fs::create_directories(made);
        return made;
    }();
    return path;
}

const std::string& alePath() {
    static const std::string path = [] {
        const std::string made = (folder() / "rows.ale").string();
        if (std::getenv(kChildVariable) == nullptr) {
            static_cast<void>(writeTextFileAtomically(made, generatedAle()));
        }
        return made;
    }();
    return path;
}

const std::string& batchListPath() {
    static const std::string path = [] {
        const std::string made = (folder() / "rows.txt").string();
        if (std::getenv(kChildVariable) == nullptr) {
            static_cast<void>(writeTextFileAtomically(made, generatedBatchList()));
        }
        return made;
    }();
    return path;
}

class NoAttributes final : public FileAttributes {
  public:
    std::optional<FourCharCode> typeCode(const std::string&) const override { return {}; }
    bool setTypeAndCreator(const std::string&, FourCharCode, FourCharCode) override { return true; }
};

int convertAleFile() {
    ScriptedUserInterface ui;
    ALETools tools(ui, [](std::string_view) {});
    const auto text = readTextFile(alePath());
    const std::string list = tools.ale2fcp(*text, Ale2fcpOptions{});
    return writeTextFileAtomically((folder() / "rows_out.txt").string(), list) ? 0 : 1;
}

int convertBatchListFile() {
    ScriptedUserInterface ui;
    ui.queueSavePanelAnswer((folder() / "rows_out.ale").string());
    MemoryPreferenceStore prefs;
    NoAttributes attributes;
    ALETools tools(
        ui, [](std::string_view) {}, prefs, attributes);
    const auto text = readTextFile(batchListPath());
    Fcp2aleOptions options;
    options.filename = batchListPath();
    return tools.fcp2ale(*text, options) == "OK" ? 0 : 1;
}

// This process's peak resident memory in bytes (VmHWM).
long ownPeakMemory() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::stol(line.substr(6)) * 1024L;
        }
    }
    return -1;
}

// Runs argv in a fresh process (posix_spawn, so the child's memory is its own from the start);
// answers its peak resident memory in bytes.
long spawnAndMeasure(const std::vector<std::string>& arguments, const char* childMode) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        environment.emplace_back(*entry);
    }
    if (childMode) {
        environment.push_back(std::string(kChildVariable) + "=" + childMode);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss * 1024L;
}

// A run of this program with KORVEL_SHOTLOG_BENCH_CHILD set is one measured conversion: it
// converts the files the parent generated and exits before the benchmarks start.
const bool kIsChild = [] {
    const char* mode = std::getenv(kChildVariable);
    if (mode == nullptr) {
        return false;
    }
    const std::string_view what(mode);
    int status = 0;
    long peak = 0;
    if (what.starts_with("cp:")) {
        // cp's own peak; this small child's is below it, as no data was generated here.
        peak = spawnAndMeasure(
            {"cp", std::getenv("KORVEL_SHOTLOG_BENCH_CP"), (folder() / "copy").string()}, nullptr);
    } else {
        status = what.starts_with("ale2fcp:") ? convertAleFile() : convertBatchListFile();
        peak = ownPeakMemory();
    }
    std::ofstream(folder() / "peak") << peak;
    std::exit(status);
}();

// Runs one measured child of this program; answers the peak memory it reports.
long runMeasuredChild(const std::string& mode) {
    static_cast<void>(
        spawnAndMeasure({"/proc/self/exe"}, (mode + ":" + folder().string()).c_str()));
    long peak = -1;
    std::ifstream(folder() / "peak") >> peak;
    return peak;
}

void reportFile(benchmark::State& state, const std::string& input, long peak) {
    const auto bytes = static_cast<std::int64_t>(fs::file_size(input));
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["peak_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.counters["input_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void BM_Ale2fcp_File(benchmark::State& state) {
    static_cast<void>(alePath());
    long peak = 0;
    for (auto _ : state) {
        peak = std::max(peak, runMeasuredChild("ale2fcp"));
    }
    reportFile(state, alePath(), peak);
}
BENCHMARK(BM_Ale2fcp_File)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Fcp2ale_File(benchmark::State& state) {
    static_cast<void>(batchListPath());
    long peak = 0;
    for (auto _ : state) {
        peak = std::max(peak, runMeasuredChild("fcp2ale"));
    }
    reportFile(state, batchListPath(), peak);
}
BENCHMARK(BM_Fcp2ale_File)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: cp of the same files, the least any whole-file tool can cost.
void copyWithCp(benchmark::State& state, const std::string& input) {
    long peak = 0;
    for (auto _ : state) {
        setenv("KORVEL_SHOTLOG_BENCH_CP", input.c_str(), 1);
        peak = std::max(peak, runMeasuredChild("cp"));
    }
    reportFile(state, input, peak);
}

void BM_Cp_AleFile(benchmark::State& state) {
    copyWithCp(state, alePath());
}
BENCHMARK(BM_Cp_AleFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Cp_BatchListFile(benchmark::State& state) {
    copyWithCp(state, batchListPath());
}
BENCHMARK(BM_Cp_BatchListFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The conversions alone, on text in memory.
void BM_Ale2fcp_Text(benchmark::State& state) {
    const std::string text = generatedAle();
    ScriptedUserInterface ui;
    ALETools tools(ui, [](std::string_view) {});
    for (auto _ : state) {
        benchmark::DoNotOptimize(tools.ale2fcp(text, Ale2fcpOptions{}));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Ale2fcp_Text)->Unit(benchmark::kMillisecond);

void BM_Fcp2ale_Text(benchmark::State& state) {
    const std::string text = generatedBatchList();
    ScriptedUserInterface ui;
    MemoryPreferenceStore prefs;
    NoAttributes attributes;
    ALETools tools(
        ui, [](std::string_view) {}, prefs, attributes,
        [](const std::string&, std::string_view ale) -> Status {
            benchmark::DoNotOptimize(ale.data());
            return {};
        });
    Fcp2aleOptions options;
    options.seperateBins = true; // one ALE per bin: 100 bins
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 101; ++i) {
            ui.queueSavePanelAnswer("/dev/null");
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(tools.fcp2ale(text, options));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Fcp2ale_Text)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvel
