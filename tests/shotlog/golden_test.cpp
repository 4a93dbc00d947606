// SPDX-License-Identifier: MIT
// Whole conversions compared byte for byte with golden files in tests/shotlog/golden/. After a
// deliberate change of output, KORVEL_UPDATE_GOLDEN=1 rewrites them; review the diff.
#include "platform/text_file.h"
#include "shotlog/ale_tools.h"
#include "shotlog_test_support.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

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

Ale2fcpOptions with(auto&& change) {
    Ale2fcpOptions options;
    change(options);
    return options;
}

TEST(Golden, Ale2fcpWholeFiles) {
    const GoldenCase cases[] = {
        {"day1_pal_defaults.txt", kExamples / "day1.ale",
         with([](auto& o) { o.userTxt1 = "[empty]"; })},
        {"day1_windows_truncate_mov.txt", kExamples / "day1.ale", with([](auto& o) {
             o.convertToWindowsName = true;
             o.nameModify = "Truncate, add \".mov\"";
             o.aleCopyName = true;
             o.userTxt1 = "Camera";
         })},
        {"sample_cdl_pal.txt", kCorpus / "OpenTimelineIO-otio-ale-adapter" / "sample_cdl.ale",
         with([](auto& o) {
             o.aleCopyName = true;
             o.nameModify = "Truncate, add \".MOV\"";
         })},
        {"sample2_ntsc_fcp3.txt", kCorpus / "OpenTimelineIO-otio-ale-adapter" / "sample2.ale",
         with([](auto& o) {
             o.myTVSys = "NTSC";
             o.fcpversion = "FCP 3";
             o.userTxt1 = "Camroll";
             o.userTxt2 = "Clip";
         })},
        {"all_headings_24fps.txt", kCorpus / "kloptops-ALEParser" / "all_headings.ALE",
         with([](auto& o) {
             o.myTVSys = "24 fps";
             o.userTxt4 = "Camera";
         })},
    };
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

} // namespace
} // namespace korvel
