// SPDX-License-Identifier: MIT
// BWF files imported into movies, judged by ffprobe and ffmpeg (skipped without them).
#include "../audio/wave_builder.h"
#include "movie/bwf_import.h"
#include "support/output_folder_test.h"
#include "support/outside_tools.h"
#include "test_media.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace korvel {
namespace {

using test::Bytes;

bool haveFfmpeg() {
    return test::haveProgram("ffprobe") && test::haveProgram("ffmpeg");
}

Bytes bwf(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
          std::uint64_t timeReference, const Bytes& samples,
          const std::string& description = "sTAPE=R07\r\nsSCENE=3\r\nsTAKE=1") {
    test::BextFields fields = test::describedAs(description);
    fields.timeReference = timeReference;
    return test::buildWave({{"bext", test::bextBody(fields)},
                            {"fmt ", test::fmtBody(1, channels, rate, bits)},
                            {"data", samples}});
}

class BwfImportTest : public test::OutputFolderTest {
  protected:
    void SetUp() override {
        if (!haveFfmpeg()) {
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        }
        OutputFolderTest::SetUp();
    }

    std::string probe(const std::string& movie, const std::string& entries) const {
        return test::commandOutput("ffprobe -v error -select_streams a:0 -show_entries " + entries +
                                   " -of csv=p=0 '" + movie + "'");
    }

    Bytes decode(const std::string& movie, const std::string& format) const {
        const std::string raw = movie + ".raw";
        const std::string command = "ffmpeg -v error -y -i '" + movie + "' -map 0:a -c:a pcm_" +
                                    format + " -f " + format + " '" + raw + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return test::readFile(raw);
    }

    std::string tags(const std::string& movie) const {
        return test::commandOutput("ffprobe -v error -show_entries stream_tags=timecode,reel_name "
                                   "-of default=nw=1 '" +
                                   movie + "'");
    }

    std::vector<std::string> m_log;
    ImportLog logger() {
        return [this](std::string_view line) { m_log.emplace_back(line); };
    }
};

TEST_F(BwfImportTest, SelfContainedCopyIsBitIdentical) {
    // 96 kHz at 13:00:00, a time reference above 2^32; two seconds.
    const Bytes samples = test::pseudoRandomBytes(96000 * 2 * 6, 1);
    test::writeFile(path("T01.wav"), bwf(2, 96000, 24, 96000ull * 46800, samples));
    BwfImportOptions options;
    options.inputFile = path("T01.wav");
    options.destFile = path("T01.mov");
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Filename"), path("T01.mov"));
    EXPECT_EQ(info->value("Media Start"), "13:00:00:00");
    EXPECT_EQ(info->value("Media End"), "13:00:02:00");
    EXPECT_EQ(info->value("Tracks"), "2A");
    EXPECT_EQ(probe(path("T01.mov"), "stream=codec_name,sample_rate,channels,duration_ts"),
              "pcm_s24le,96000,2,192000\n");
    const std::string found = tags(path("T01.mov"));
    EXPECT_NE(found.find("TAG:timecode=13:00:00:00"), std::string::npos) << found;
    EXPECT_NE(found.find("TAG:reel_name=R07"), std::string::npos) << found;
    EXPECT_TRUE(decode(path("T01.mov"), "s24le") == samples);
    EXPECT_EQ(test::temporariesIn(m_folder), 0);
}

TEST_F(BwfImportTest, NtscDropFrameStartGivesADropFrameTrack) {
    const Bytes samples = test::pseudoRandomBytes(48000 * 2, 2);
    test::writeFile(path("D.wav"), bwf(1, 48000, 16, 48000ull * 600, samples));
    BwfImportOptions options;
    options.inputFile = path("D.wav");
    options.destFile = path("D.mov");
    options.frameRate = BwfFrameRate::parse("NTSC DF");
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    ASSERT_EQ(info->value("Media Start").size(), 11u);
    EXPECT_EQ(info->value("Media Start")[8], ';');
    const std::string found = tags(path("D.mov"));
    EXPECT_NE(found.find("TAG:timecode=" + info->value("Media Start")), std::string::npos)
        << found << " vs " << info->value("Media Start");
    EXPECT_TRUE(decode(path("D.mov"), "s16le") == samples);
}

TEST_F(BwfImportTest, PairIsMergedLeftAThenRightB) {
    Bytes a, b;
    for (std::uint32_t i = 0; i < 48000; ++i) {
        test::putLittle(a, i * 7, 3);
    }
    for (std::uint32_t i = 0; i < 30000; ++i) {
        test::putLittle(b, 0xFFFFFF - i * 5, 3);
    }
    test::writeFile(path("ABC123_1.wav"), bwf(1, 48000, 24, 48000 * 3600, a));
    test::writeFile(path("ABC123_2.wav"), bwf(1, 48000, 24, 48000 * 3600, b, "sTAKE=9"));
    BwfImportOptions options;
    options.inputFile = path("ABC123_1.wav");
    options.secondImportFile = path("ABC123_2.wav");
    options.importTwoFiles = true;
    options.destFile = path("ABC123P1.mov");
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Tracks"), "2A");
    EXPECT_EQ(info->value("Name"), "ABC123P1.mov");
    EXPECT_EQ(info->value("Shot/Take"), "1"); // the first file's record
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find("ABC123_2.wav was padded with 18000 samples"), std::string::npos)
        << m_log[0];
    const Bytes decoded = decode(path("ABC123P1.mov"), "s24le");
    ASSERT_EQ(decoded.size(), 48000u * 6);
    for (std::size_t i = 0; i < 48000; ++i) {
        ASSERT_TRUE(std::equal(a.begin() + 3 * i, a.begin() + 3 * i + 3, decoded.begin() + 6 * i));
        const Bytes right(decoded.begin() + 6 * i + 3, decoded.begin() + 6 * i + 6);
        ASSERT_EQ(right, i < 30000 ? Bytes(b.begin() + 3 * i, b.begin() + 3 * i + 3) : Bytes(3, 0))
            << i;
    }
}

TEST_F(BwfImportTest, ReducedTo16BitsAt44k1) {
    Bytes samples;
    for (std::uint32_t i = 0; i < 48000; ++i) {
        test::putLittle(samples, static_cast<std::uint32_t>(i * 3001) & 0x3FFFFF, 3);
        test::putLittle(samples, 0, 3);
    }
    test::writeFile(path("R.wav"), bwf(2, 48000, 24, 0, samples));
    BwfImportOptions options;
    options.inputFile = path("R.wav");
    options.destFile = path("R.mov");
    options.bitReduce = true;
    options.sampleRate = "44100 kHz";
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(probe(path("R.mov"), "stream=codec_name,sample_rate,channels,duration_ts"),
              "pcm_s16le,44100,2,44100\n");
    EXPECT_EQ(info->value("Media End"), "00:00:01:00");
}

// A BWF file written by another program (ffmpeg's bext writer): its record, then its movie.
TEST_F(BwfImportTest, FileWrittenByFfmpeg) {
    const std::string wav = path("DAY02_T07.wav");
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:sample_rate=44100:duration=1' "
        "-ac 1 -c:a pcm_s16le -write_bext 1 "
        "-metadata description=\"$(printf 'zSCENE=4B\\r\\nzTAKE=7\\r\\nzUBITS=00112233')\" "
        "-metadata originator=Field -metadata originator_reference=REF9 "
        "-metadata origination_date=2026-03-04 -metadata origination_time=05:06:07 "
        "-metadata time_reference=158760000 '" +
        wav + "' < /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    BwfImportOptions options;
    options.inputFile = wav;
    options.destFile = path("DAY02_T07.mov");
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media Start"), "01:00:00:00"); // 158760000 / 44100 = 3600 s
    EXPECT_EQ(info->value("Media End"), "01:00:01:00");
    EXPECT_EQ(info->value("Scene"), "4B");
    EXPECT_EQ(info->value("Shot/Take"), "7"); // the last line has no CR LF
    EXPECT_EQ(info->value("Userbit"), "00112233");
    EXPECT_EQ(info->value("Comment 2"),
              "Userbits: 00112233 | Originator: Field | Originator Reference: REF9");
    EXPECT_EQ(info->value("Comment 1"), "Origination Date and Time: 2026-03-04 @ 05:06:07");
    EXPECT_EQ(info->value("Tracks"), "1A");
    EXPECT_EQ(info->value("Bit Rate"), "16");
    EXPECT_EQ(probe(path("DAY02_T07.mov"), "stream=codec_name,sample_rate,channels,duration_ts"),
              "pcm_s16le,44100,1,44100\n");
    EXPECT_NE(tags(path("DAY02_T07.mov")).find("TAG:timecode=01:00:00:00"), std::string::npos);
}

TEST_F(BwfImportTest, LinkedMovieReadsTheBwfDataInPlace) {
    const Bytes samples = test::pseudoRandomBytes(48000 * 3 * 2, 11);
    // A large JUNK chunk first, so the data lies well inside the file.
    test::BextFields fields = test::describedAs("sTAPE=R02");
    fields.timeReference = 48000ull * 3600 * 2;
    test::writeFile(path("L.wav"), test::buildWave({{"JUNK", Bytes(10001, 0)},
                                                    {"bext", test::bextBody(fields)},
                                                    {"fmt ", test::fmtBody(1, 2, 48000, 24)},
                                                    {"data", samples}}));
    BwfImportOptions options;
    options.inputFile = path("L.wav");
    options.destFile = path("L.mov");
    options.linkmedia = true;
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media End"), "02:00:01:00");
    EXPECT_LT(std::filesystem::file_size(path("L.mov")), 4096u); // nothing copied
    EXPECT_TRUE(m_log.empty());

    const std::string raw = path("L.raw");
    const std::string command = "ffmpeg -v error -y -enable_drefs 1 -use_absolute_path 1 -i '" +
                                path("L.mov") + "' -map 0:a -c:a pcm_s24le -f s24le '" + raw + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(test::readFile(raw) == samples);
    const std::string found = tags(path("L.mov"));
    EXPECT_NE(found.find("TAG:timecode=02:00:00:00"), std::string::npos) << found;
    EXPECT_NE(found.find("TAG:reel_name=R02"), std::string::npos) << found;

    // A reduction to 16 bits cannot refer to the 24-bit samples: it copies, and says so.
    options.destFile = path("L16.mov");
    options.bitReduce = true;
    ASSERT_TRUE(ZAN_ImportFile(options, logger()));
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find("holds a copy"), std::string::npos) << m_log[0];
    EXPECT_GT(std::filesystem::file_size(path("L16.mov")), samples.size() / 3 * 2);
}

// One second of 16-bit mono silence with a click at sample `click`.
Bytes clickAt(std::size_t click) {
    Bytes samples(48000 * 2, 0);
    samples[2 * click] = 0x20;
    samples[2 * click + 1] = 0x4E; // 20000
    return samples;
}

// The first sample at or above 10000 in one channel of decoded 16-bit stereo.
std::optional<std::size_t> firstClick(const Bytes& stereo, int channel) {
    for (std::size_t frame = 0; 4 * frame + 3 < stereo.size(); ++frame) {
        const std::size_t at = 4 * frame + 2 * static_cast<std::size_t>(channel);
        const auto value = static_cast<std::int16_t>(stereo[at] | stereo[at + 1] << 8);
        if (value >= 10000) {
            return frame;
        }
    }
    return std::nullopt;
}

struct AlignmentCase {
    const char* name;
    std::int64_t secondLater; // samples channel B starts after channel A
    const char* mediaStart;
    const char* logged;
};

class PairAlignmentTest : public BwfImportTest,
                          public testing::WithParamInterface<AlignmentCase> {};

// The two files of a pair are laid by their time references: ffmpeg hears the click of each
// where the recordings put it in time.
TEST_P(PairAlignmentTest, LaterFileStartsLater) {
    const AlignmentCase& c = GetParam();
    const std::uint64_t referenceA = 48000ull * 3600;
    test::writeFile(path("S1_____1.wav"), bwf(1, 48000, 16, referenceA, clickAt(100)));
    test::writeFile(
        path("S1_____2.wav"),
        bwf(1, 48000, 16,
            static_cast<std::uint64_t>(static_cast<std::int64_t>(referenceA) + c.secondLater),
            clickAt(100)));
    BwfImportOptions options;
    options.inputFile = path("S1_____1.wav");
    options.secondImportFile = path("S1_____2.wav");
    options.importTwoFiles = true;
    options.destFile = path("S1____P1.mov");
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media Start"), c.mediaStart);
    ASSERT_FALSE(m_log.empty());
    EXPECT_NE(m_log[0].find(c.logged), std::string::npos) << m_log[0];
    const Bytes decoded = decode(path("S1____P1.mov"), "s16le");
    EXPECT_EQ(decoded.size(), (48000u + 9600u) * 4);
    const std::size_t delayA = c.secondLater < 0 ? 9600 : 0;
    const std::size_t delayB = c.secondLater > 0 ? 9600 : 0;
    EXPECT_EQ(firstClick(decoded, 0), std::optional<std::size_t>(100 + delayA));
    EXPECT_EQ(firstClick(decoded, 1), std::optional<std::size_t>(100 + delayB));
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, PairAlignmentTest,
    testing::Values(AlignmentCase{"SecondLater", 9600, "01:00:00:00",
                                  "S1_____2.wav starts 9600 samples (0.200 s) after S1_____1.wav"},
                    AlignmentCase{"SecondEarlier", -9600, "00:59:59:20",
                                  "S1_____1.wav starts 9600 samples (0.200 s) after S1_____2.wav"}),
    [](const auto& info) { return std::string(info.param.name); });

// A pair the pairing rule refuses writes nothing, not even a temporary.
TEST_F(BwfImportTest, RefusedPairWritesNothing) {
    const struct {
        std::uint32_t rate;
        std::uint16_t bits;
        std::uint64_t timeReference;
        const char* said;
    } partners[] = {
        {44100, 24, 0, "differ in sample"},
        {48000, 16, 0, "differ in sample"},
        {48000, 24, 48000 * 10, "do not overlap"},
    };
    test::writeFile(path("X_1.wav"), bwf(1, 48000, 24, 0, Bytes(4800 * 3, 1)));
    for (const auto& partner : partners) {
        test::writeFile(path("X_2.wav"), bwf(1, partner.rate, partner.bits, partner.timeReference,
                                             Bytes(4800 * 3, 1)));
        BwfImportOptions options;
        options.inputFile = path("X_1.wav");
        options.secondImportFile = path("X_2.wav");
        options.importTwoFiles = true;
        options.destFile = path("XP1.mov");
        auto info = ZAN_ImportFile(options, logger());
        ASSERT_FALSE(info) << partner.said;
        EXPECT_NE(info.error().message.find(partner.said), std::string::npos)
            << info.error().message;
        EXPECT_FALSE(std::filesystem::exists(path("XP1.mov")));
        EXPECT_EQ(test::temporariesIn(m_folder), 0);
    }
}

// A plain RIFF recording past 4 GiB whose data size stayed at 0xFFFFFFFF: every sample to the
// end of the file is in the movie, and a warning says why. A sparse file and a linked movie
// keep the test small.
TEST_F(BwfImportTest, RiffOver4GiBIsReadToTheEnd) {
    test::BextFields fields = test::describedAs("sTAPE=BIG");
    const Bytes header = test::buildWave({{"bext", test::bextBody(fields)},
                                          {"fmt ", test::fmtBody(1, 2, 48000, 24)},
                                          {"data", Bytes{}, 0xFFFFFFFFu}});
    test::writeFile(path("BIG.wav"), header);
    const std::uint64_t frames = 750'000'000; // 4.5 GB, 4 h 20 min
    std::filesystem::resize_file(path("BIG.wav"), header.size() + frames * 6);
    BwfImportOptions options;
    options.inputFile = path("BIG.wav");
    options.destFile = path("BIG.mov");
    options.linkmedia = true;
    std::vector<std::string> warnings;
    auto info = ZAN_ImportFile(options, logger(), nullptr,
                               [&](std::string_view line) { warnings.emplace_back(line); });
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media End"), "04:20:25:00");
    EXPECT_EQ(probe(path("BIG.mov"), "stream=duration_ts"), std::to_string(frames) + "\n");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("over 4 GiB"), std::string::npos) << warnings[0];
    EXPECT_EQ(m_log, warnings);
}

TEST_F(BwfImportTest, CutShortRecordingIsConvertedWithAWarning) {
    const Bytes samples = test::pseudoRandomBytes(48000 * 2, 5);
    test::BextFields fields = test::describedAs("sTAPE=CUT");
    fields.timeReference = 48000ull * 60;
    test::writeFile(path("CUT.wav"), test::buildWave({{"bext", test::bextBody(fields)},
                                                      {"fmt ", test::fmtBody(1, 1, 48000, 16)},
                                                      {"data", samples, 48000 * 2 * 60}}));
    BwfImportOptions options;
    options.inputFile = path("CUT.wav");
    options.destFile = path("CUT.mov");
    std::vector<std::string> warnings;
    auto info = ZAN_ImportFile(options, logger(), nullptr,
                               [&](std::string_view line) { warnings.emplace_back(line); });
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media End"), "00:01:01:00");
    EXPECT_TRUE(decode(path("CUT.mov"), "s16le") == samples);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("CUT.wav: the data chunk declares 5760000 bytes but the file "
                               "ends after 96000 bytes"),
              std::string::npos)
        << warnings[0];
}

TEST_F(BwfImportTest, SampleRatesNoMovieCanDeclareAreRefused) {
    for (const std::uint32_t rate : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        test::writeFile(path("R.wav"), bwf(1, rate, 16, 0, Bytes(400, 1)));
        BwfImportOptions options;
        options.inputFile = path("R.wav");
        options.destFile = path("R.mov");
        auto info = ZAN_ImportFile(options, logger());
        ASSERT_FALSE(info) << rate;
        EXPECT_NE(info.error().message.find("sample rate"), std::string::npos)
            << info.error().message;
        EXPECT_FALSE(std::filesystem::exists(path("R.mov")));
    }
}

// At 1 Hz half a second is not even a frame: chunks are sized in bytes, so the header stays
// small beside the sound.
TEST_F(BwfImportTest, OneHertzMovieIsNotMostlyHeader) {
    const Bytes samples = test::pseudoRandomBytes(400000, 9);
    test::writeFile(path("ONE.wav"), bwf(1, 1, 16, 0, samples));
    BwfImportOptions options;
    options.inputFile = path("ONE.wav");
    options.destFile = path("ONE.mov");
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_LT(std::filesystem::file_size(path("ONE.mov")), samples.size() + 4096);
    EXPECT_EQ(probe(path("ONE.mov"), "stream=sample_rate,duration_ts"), "1,200000\n");
}

TEST_F(BwfImportTest, FilesThatAreNotWaveAreRefused) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.wav", ""}, {"notes.wav", "SCENE 4 TAKE 2\n"}, {"cut.wav", "RIFF\x10\0\0"}};
    for (const auto& [name, content] : files) {
        test::writeFile(path(name), Bytes(content.begin(), content.end()));
        BwfImportOptions options;
        options.inputFile = path(name);
        options.destFile = path(name + ".mov");
        auto info = ZAN_ImportFile(options, logger());
        ASSERT_FALSE(info) << name;
        EXPECT_NE(info.error().message.find("not a WAVE file"), std::string::npos)
            << info.error().message;
        EXPECT_FALSE(std::filesystem::exists(path(name + ".mov")));
    }
}

TEST_F(BwfImportTest, WithoutBextNothingIsWritten) {
    test::writeFile(path("plain.wav"), test::buildWave({{"fmt ", test::fmtBody(1, 1, 48000, 16)},
                                                        {"data", Bytes(20, 0)}}));
    BwfImportOptions options;
    options.inputFile = path("plain.wav");
    options.destFile = path("plain.mov");
    auto info = ZAN_ImportFile(options, logger());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->value("containsbext"), "NO");
    EXPECT_FALSE(std::filesystem::exists(path("plain.mov")));
}

} // namespace
} // namespace korvel
