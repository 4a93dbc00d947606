// SPDX-License-Identifier: MIT
// Whole files: conversions compared byte for byte with golden files in tests/shotlog/golden/
// (after a deliberate change of output, KORVEL_UPDATE_GOLDEN=1 rewrites them; review the diff),
// and every ALE of the shared corpus under each TV system: it converts, or it is refused with an
// alert that says why.
#include "platform/text_file.h"
#include "shotlog/ale_tools.h"
#include "shotlog_test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

// Options name only what a case changes; the comment columns left out are rightly empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace korvel {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(KORVEL_CORPUS_DIR) / "ale";
const fs::path kExamples = fs::path(KORVEL_SOURCE_DIR) / "examples" / "shotlog";

struct GoldenCase {
    std::string golden;
    fs::path input;
    Ale2fcpOptions options;
};

TEST(Golden, Ale2fcpWholeFiles) {
    const fs::path otio = kCorpus / "OpenTimelineIO-otio-ale-adapter";
    // clang-format off
    const GoldenCase cases[] = {
        {"day1_pal_defaults.txt", kExamples / "day1.ale", {.userTxt1 = "[empty]"}},
        {"day1_windows_truncate_mov.txt", kExamples / "day1.ale",
         {.userTxt1 = "Camera", .aleCopyName = true, .nameModify = "Truncate, add \".mov\"",
          .convertToWindowsName = true}},
        {"sample_cdl_pal.txt", otio / "sample_cdl.ale",
         {.aleCopyName = true, .nameModify = "Truncate, add \".MOV\""}},
        {"sample2_ntsc_fcp3.txt", otio / "sample2.ale",
         {.userTxt1 = "Camroll", .userTxt2 = "Clip", .myTVSys = "NTSC", .fcpversion = "FCP 3"}},
        {"all_headings_24fps.txt", kCorpus / "kloptops-ALEParser" / "all_headings.ALE",
         {.userTxt4 = "Camera", .myTVSys = "24 fps"}},
    };
    // clang-format on
    for (const GoldenCase& c : cases) {
        if (!fs::exists(c.input)) {
            GTEST_SKIP() << c.input << " is absent";
        }
        ScriptedUserInterface ui;
        test::RecordedLog log;
        ALETools tools(ui, log.sink());
        const std::string result = tools.ale2fcp(decodeText(test::readBytes(c.input)), c.options);
        EXPECT_TRUE(ui.events().empty()) << c.golden;
        test::expectGolden(c.golden, result);
    }
}

TEST(Golden, Fcp2aleBins) {
    test::Fcp2aleRun run;
    const Fcp2aleOptions options{true, "Clips & SubClips", "NTSC",
                                 (kExamples / "day1_batch.txt").string()};
    const auto ales = run.ales(decodeText(test::readBytes(kExamples / "day1_batch.txt")), options);
    ASSERT_EQ(run.proposed().size(), 2u);
    ASSERT_EQ(ales.size(), 2u);
    for (std::size_t i = 0; i < ales.size(); ++i) {
        test::expectGolden("day1_batch_" + run.proposed()[i] + ".ale", ales[i]);
    }
}

std::vector<fs::path> corpusAles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kCorpus)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".ale" || extension == ".ALE")) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Why a corpus file is refused under a TV system; a file or system not listed must convert.
const std::map<std::string, std::string> kExpectedRefusals = {
    // The kloptops logs say VIDEO_FORMAT NTSC: refused under PAL by design.
    {"all_headings.ALE PAL", "Video Format confusion..."},
    {"simple.ALE PAL", "Video Format confusion..."},
    // sample_cdl says VIDEO_FORMAT PAL: refused under NTSC.
    {"sample_cdl.ale NTSC", "Video Format confusion..."},
    // These logs carry no "Tape" column (only "Source File", "Camroll", ...).
    {"simple.ALE NTSC", "The column \"Tape\" is missing!"},
    {"simple.ALE 24 fps", "The column \"Tape\" is missing!"},
    // No "Tracks" column.
    {"sampleUHD.ale PAL", "The column \"Tracks\" is missing!"},
    {"sampleUHD.ale NTSC", "The column \"Tracks\" is missing!"},
    {"sampleUHD.ale 24 fps", "The column \"Tracks\" is missing!"},
    // A blank line stands between "Column" and the names, so the column line is empty.
    {"sample_blanks.ale PAL", "The column \"Name\" is missing!"},
    {"sample_blanks.ale NTSC", "The column \"Name\" is missing!"},
    {"sample_blanks.ale 24 fps", "The column \"Name\" is missing!"},
};

TEST(CorpusAle, EveryFileConvertsOrIsRefusedWithAReason) {
    if (!fs::exists(kCorpus)) {
        GTEST_SKIP() << "corpus not found at " << kCorpus;
    }
    const auto files = corpusAles();
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        const std::string text = decodeText(test::readBytes(file));
        for (const std::string tvSys : {"PAL", "NTSC", "24 fps"}) {
            ScriptedUserInterface ui;
            test::RecordedLog log;
            ALETools tools(ui, log.sink());
            Ale2fcpOptions options;
            options.myTVSys = tvSys;
            options.aleCopyName = true;
            const std::string result = tools.ale2fcp(text, options);
            const std::string key = file.filename().string() + " " + tvSys;
            const auto refusal = kExpectedRefusals.find(key);
            if (result == " ") {
                ASSERT_EQ(ui.alerts().size(), 1u) << key;
                EXPECT_NE(refusal, kExpectedRefusals.end())
                    << key << " refused: " << ui.alerts()[0].title << " " << ui.alerts()[0].message;
                if (refusal != kExpectedRefusals.end()) {
                    EXPECT_EQ(ui.alerts()[0].title, refusal->second) << key;
                }
            } else {
                EXPECT_EQ(refusal, kExpectedRefusals.end()) << key << " converted";
                EXPECT_TRUE(ui.alerts().empty()) << key;
                EXPECT_EQ(log.entries.back().rfind("Finished converting ", 0), 0u) << key;
            }
        }
    }
}

} // namespace
} // namespace korvel
