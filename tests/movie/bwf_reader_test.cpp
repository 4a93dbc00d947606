// SPDX-License-Identifier: MIT
// BWF files read into records, then imported into movies judged by ffprobe and ffmpeg (those
// cases skipped without them).
#include "../audio/wave_builder.h"
#include "movie/bwf_import.h"
#include "movie/bwf_reader.h"
#include "movie/ixml_speed.h"
#include "qtff/sound_track.h"
#include "support/output_folder_test.h"
#include "test_media.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Chunk;

BwfInfo readBytes(const Bytes& file, std::string_view name, const BwfReadOptions& options = {}) {
    MemoryByteSource source(file);
    return getBWF2Info(source, name, options);
}

using Values = std::map<std::string, std::string>;

void expectValues(const BwfInfo& info, const Values& expected, const std::string& context) {
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(info.value(key), value) << context << ": " << key;
    }
}

// --- Real recorders' files -------------------------------------------------------------------

const std::vector<std::pair<const char*, Values>>& corpusCases() {
    static const std::vector<std::pair<const char*, Values>> cases = {
        {"iluvcapra-wavinfo/sounddevices_A101_3.WAV",
         {{"Name", "sounddevices_A101_3.mov"},
          {"Tracks", "2A"},
          {"Media Start", "12:40:59:15"},
          {"Reel", "18Y12M31"},
          {"Scene", "A101"},
          {"Shot/Take", "3"},
          {"Description", "A101/3"}, // the TAKE line comes before the SCENE line
          {"Userbit", "$12311803"},
          {"Comment 1", "Origination Date and Time: 2018-12-31 @ 12:40:06"},
          {"Originator Reference", "USSDVGR1112089007124014008228301"},
          {"containsbext", "YES"}}},
        {"iluvcapra-wavinfo/protools_PT_A101_4.A1.wav",
         {{"Name", "protools_PT_A101_4.A1.mov"}, {"Originator Reference", "aa4CKtcd13Vk"}}},
        {"iluvcapra-wavinfo/sounddevices_A101_1_1.WAV",
         {{"Media Start", "12:40:44:15"}, // 14.98 frames, rounded
          {"Tracks", "1A"},
          {"Bit Rate", "24"}}},
        {"iluvcapra-wavinfo/metacorder_Sr001-2C-01_01.WAV",
         {{"Media Start", "13:37:30:08"}, // 7.79 frames, rounded
          {"Reel", "Sr001"},
          {"Scene", "2C"},
          {"Shot/Take", "01"},
          {"Log Note", "Tail Slate Cloth noise"},
          {"Userbit", "00000000"},
          {"Comment 1", "Origination Date and Time: 2019:01:01 @ 13:37:40"}}},
        {"iluvcapra-wavinfo/nuendo_Audio_-_Mono.wav",
         {{"Media Start", "01:00:00:00"},
          {"Reel", "nuendo_Audio_-_Mono"},
          {"Comment 2", " Originator: Nuendo | Originator Reference: "
                        "USJPHNNNNNNNNN202829RRRRRRRRR"},
          {"Tracks", "1A"}}},
        {"iluvcapra-wavinfo/protools_umid.wav",
         {{"Media Start", "00:00:15:08"}, {"Sample Rate", "44100"}, {"Tracks", "1A"}}},
        {"iluvcapra-wavinfo/cue_chunks_STE-000.wav",
         {{"Media Start", "17:54:35:00"}, {"Tracks", "2A"}, {"Bit Rate", "16"}}},
        {"iluvcapra-wavinfo/smpl_alarm_citizen_loop1.wav",
         {{"containsbext", "NO"}, {"Reel", "smpl_alarm_citizen_loop1"}, {"Sample Rate", ""}}},
        {"exiftool-exiftool/RIFF.wav", {{"containsbext", "NO"}, {"Reel", "RIFF"}}},
    };
    return cases;
}

class BwfReaderCorpus : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(dir)) {
            GTEST_SKIP() << "no corpus at " << dir;
        }
    }
    const fs::path dir = fs::path(KORVEL_CORPUS_DIR) / "bwf";
};

TEST_F(BwfReaderCorpus, EveryFileGivesTheRecordItsBextHolds) {
    for (const auto& [file, values] : corpusCases()) {
        const BwfInfo info = getBWF2Info((dir / file).string(), {});
        EXPECT_EQ(info.entries().size(), info.contains(bwfkey::kRecorderRate) ? 19u : 18u) << file;
        expectValues(info, values, file);
    }
}

// Recorders write their timecode rate in the iXML chunk; "From recorder" counts in it.
TEST_F(BwfReaderCorpus, FromRecorderTakesTheRateTheRecorderWrote) {
    // Each case: the file, the rate its recorder wrote (empty: none), the start.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"iluvcapra-wavinfo/sounddevices_A101_3.WAV", "24000/1001 NDF", "12:40:14:00"},
        {"iluvcapra-wavinfo/metacorder_Sr001-2C-01_01.WAV", "25/1 NDF", "13:37:30:08"},
        // No iXML: PAL's rules.
        {"iluvcapra-wavinfo/cue_chunks_STE-000.wav", "", "17:54:35:00"},
    };
    const BwfReadOptions options{.bwfFpsRate = BwfFrameRate::parse("From recorder")};
    for (const auto& [file, recorderRate, start] : cases) {
        const std::string path = (dir / file).string();
        const BwfInfo info = getBWF2Info(path, options);
        EXPECT_EQ(info.value(bwfkey::kRecorderRate), recorderRate) << file;
        EXPECT_EQ(info.value(bwfkey::kMediaStart), start) << file;
        const auto recorder = bwfRecorderRate(path);
        EXPECT_EQ(recorder ? recorder->text() : "", recorderRate) << file;
    }
}

// --- Generated files -------------------------------------------------------------------------

struct Recording {
    std::uint16_t channels = 2;
    std::uint32_t rate = 48000;
    std::uint16_t bits = 24;
    std::uint64_t timeReference = 0;
    std::string description = "sTAPE=A001\r\nsSCENE=12\r\nsTAKE=3\r\n";
    bool extensible = false;
};

Bytes bwf(const Recording& r, test::Container container = test::Container::Riff) {
    test::BextFields fields = test::describedAs(r.description);
    fields.originator = "Recorder";
    fields.originatorRef = "REF123";
    fields.timeReference = r.timeReference;
    const std::uint16_t tag = r.bits == 32 ? 3 : 1;
    return test::buildWave({{"bext", test::bextBody(fields)},
                            {"fmt ", test::fmtBody(tag, r.channels, r.rate, r.bits, r.extensible)},
                            {"data", Bytes(std::size_t{r.channels} * (r.bits / 8) * 4, 0)}},
                           container);
}

TEST(BwfReader, FormatsAndStartsInRiffAndRf64) {
    const std::pair<Recording, Values> rows[] = {
        {{1, 44100, 16, 44100 * 3600ull},
         {{"Tracks", "1A"},
          {"Bit Rate", "16"},
          {"Sample Rate", "44100"},
          {"Media Start", "01:00:00:00"}}},
        {{2, 48000, 24, 48000 * 60ull + 1920 * 3},
         {{"Tracks", "2A"}, {"Bit Rate", "24"}, {"Media Start", "00:01:00:03"}}},
        // "Bit Rate" is the sample size the format declares, whatever the channels.
        {{6, 96000, 24, 0, "", true}, {{"Tracks", "6A"}, {"Bit Rate", "24"}}},
        {{2, 48000, 32}, {{"Tracks", "2A"}, {"Bit Rate", "32"}}},
        // Past 2^32 samples: 13:00:00 at 96 kHz and 07:00:00 at 192 kHz.
        {{2, 96000, 24, 46800ull * 96000}, {{"Media Start", "13:00:00:00"}}},
        {{2, 192000, 24, 25200ull * 192000 + 7680}, {{"Media Start", "07:00:00:01"}}},
    };
    for (const auto& [recording, values] : rows) {
        for (const auto container : {test::Container::Riff, test::Container::Rf64}) {
            expectValues(readBytes(bwf(recording, container), "/x/T01.wav"), values,
                         std::to_string(recording.rate) +
                             (container == test::Container::Rf64 ? " RF64" : " RIFF"));
        }
    }
}

TEST(BwfReader, DescriptionKeyLines) {
    const std::pair<std::string, Values> rows[] = {
        {"sSCENE=12\r\nsTAKE=3\r\nsNOTE=good\r\n",
         {{"Scene", "12"}, {"Shot/Take", "3"}, {"Description", "12/3"}, {"Log Note", "good"}}},
        // Lines end in LF, CR or blank lines; the last may be unclosed.
        {"sSCENE=12\nsTAKE=3\nsTAPE=R7\n", {{"Scene", "12"}, {"Shot/Take", "3"}, {"Reel", "R7"}}},
        {"sSCENE=12\rsTAKE=3\rsNOTE=n", {{"Scene", "12"}, {"Shot/Take", "3"}, {"Log Note", "n"}}},
        {"sSCENE=1\r\n\r\n\n\rsTAKE=2", {{"Scene", "1"}, {"Shot/Take", "2"}}},
        {"aTAPE=A001\r\nzSCENE=9\r\n", {{"Reel", "A001"}, {"Scene", "9"}}}, // any prefix
        {"sscene=12\r\n", {{"Scene", ""}}},
        {"sTAPE=\r\n", {{"Reel", "A001T01.WAV"}}}, // the file name stands in
        {"sSCENE=12\r\n", {{"Description", ""}}},
        {"sSCENE=1\r\nsSCENE=2\r\n", {{"Scene", "2"}}},
        {"sUBITS=U1\r\n",
         {{"Userbit", "U1"},
          {"Comment 2", "Userbits: U1 | Originator: Recorder | Originator Reference: REF123"}}},
        {"",
         {{"Comment 2", " Originator: Recorder | Originator Reference: REF123"},
          {"Reel", "A001T01"}}},
        {"sNOTE=" + std::string(250, 'x'), {{"Log Note", std::string(250, 'x')}}}, // no NUL
        {"sNOTE=caf\xE9 \x80", {{"Log Note", "caf\xC3\xA9 \xE2\x82\xAC"}}}, // Windows code page
        {"sNOTE=caf\xC3\xA9", {{"Log Note", "caf\xC3\xA9"}}},               // UTF-8 kept
    };
    for (const auto& [description, values] : rows) {
        Recording r;
        r.description = description;
        expectValues(readBytes(bwf(r), "/rec/A001T01.WAV"), values, description);
    }
}

TEST(BwfReader, TapeIdChoice) {
    const Bytes file = bwf(Recording{});
    // Each row: the choice, the file's name, the reel.
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"TapeID from BWF File", "/a/SOUND_ROLL.WAV", "A001"},
        {"BWF File Name", "/a/SOUND_ROLL.WAV", "SOUND_ROLL.WAV"},
        {"BWF File Name Without Extension", "/a/SOUND_ROLL.WAV", "SOUND_ROLL"},
        {"First 6 characters of File Name", "/a/SOUND_ROLL.WAV", "SOUND_"},
        {"First 6 characters of File Name", "AB.wav", "AB"},
        {"something else", "/a/SOUND_ROLL.WAV", "SOUND_ROLL"},
        // A name whose only dot is its first has no extension, as the movie named after it says.
        {"BWF File Name Without Extension", "/a/.WAV", ".WAV"},
    };
    for (const auto& [choice, name, reel] : rows) {
        EXPECT_EQ(readBytes(file, name, {.bwfTapeIdSelect = choice}).value("Reel"), reel) << choice;
    }
}

// Chunks in any order, a chunk list that is broken, pieces missing or cut off by the end of the
// file: what the file holds is read, the rest is empty.
TEST(BwfReader, DamagedAndUnusualFiles) {
    test::BextFields fields = test::describedAs("sTAPE=R12\r\nsSCENE=4\r\nsNOTE=fmt is here\r\n");
    fields.originator = "Recorder";
    fields.timeReference = 48000ull * 3600 * 10;
    const Bytes bext = test::bextBody(fields);
    const Bytes fmt = test::fmtBody(1, 2, 48000, 24);
    // The format first, then a reserve larger than the byte scan reaches, then bext; the word
    // "fmt " in the description comes before the real format chunk.
    const Bytes farBext =
        test::buildWave({{"fmt ", fmt}, {"JUNK", Bytes(4000, 0)}, {"bext", bext}});
    const auto cutAt = [&](std::size_t keptOfBext) {
        return Bytes(farBext.begin(), farBext.end() - std::ptrdiff_t(bext.size() - keptOfBext));
    };
    Bytes brokenList = bwf(Recording{});
    brokenList.insert(brokenList.begin() + 12, {'\x01', '\x02', '\x03', '\x04', 0, 0, 0, 0});
    const std::string_view shortBext = "xTAKE=7";
    const std::tuple<const char*, Bytes, Values> rows[] = {
        {"BextAfterJunk",
         farBext,
         {{"containsbext", "YES"},
          {"Scene", "4"},
          {"Sample Rate", "48000"},
          {"Media Start", "10:00:00:00"},
          {"Originator", "Recorder"}}},
        {"BrokenChunkList",
         brokenList,
         {{"containsbext", "YES"}, {"Reel", "A001"}, {"Sample Rate", "48000"}}},
        {"NoFmt",
         test::buildWave({{"bext", test::bextBody(test::describedAs("sTAKE=1\r\n"))}}),
         {{"containsbext", "YES"}, {"Shot/Take", "1"}, {"Media Start", ""}, {"Sample Rate", ""}}},
        {"BextCutShort",
         test::buildWave({{"bext", Bytes(shortBext.begin(), shortBext.end())}, {"fmt ", fmt}}),
         {{"Shot/Take", "7"}, {"Originator", ""}, {"Media Start", "00:00:00:00"}}},
        {"FileEndsInsideTheOriginator",
         cutAt(260),
         {{"Reel", "R12"}, {"Originator", "Reco"}, {"Media Start", "00:00:00:00"}}},
        {"FileEndsInsideTheDescription",
         cutAt(12),
         {{"containsbext", "YES"}, {"Reel", "R12"}, {"Scene", ""}}},
        {"Empty", {}, {{"containsbext", "NO"}}},
        {"NotRiff", Bytes(2000, 'b'), {{"containsbext", "NO"}}},
    };
    for (const auto& [name, file, values] : rows) {
        expectValues(readBytes(file, "/x/T09.wav"), values, name);
    }
    EXPECT_EQ(getBWF2Info("/nonexistent/dir/x.wav", {}).value("containsbext"), "NO");
}

TEST(BwfReader, WaveFileCheck) {
    const Bytes good = bwf(Recording{});
    const std::vector<std::pair<Bytes, bool>> rows = {
        {good, true},
        {bwf(Recording{}, test::Container::Rf64), true},
        {{}, false},
        {Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 'x'}, false},
        {Bytes(good.begin(), good.begin() + 10), false},
        {Bytes{'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'}, false},
    };
    for (const auto& [bytes, wave] : rows) {
        MemoryByteSource source(bytes);
        EXPECT_EQ(checkWaveFile(source).ok(), wave) << bytes.size();
    }
    EXPECT_FALSE(checkWaveFile("/nonexistent/dir/x.wav"));
}

// --- Summary and JSON -------------------------------------------------------------------------

TEST(BwfInfoText, SummaryLines) {
    Recording r;
    r.timeReference = 48000 * 3600;
    const BwfInfo info = readBytes(bwf(r), "/media/A001T01.wav");
    const std::vector<std::string> expected = {
        "Info for BWF File: /media/A001T01.wav",
        "Channels: 2",
        "Sample Rate: 48000",
        "Bit Rate: 24",
        "Timecode start: 01:00:00:00 @ 29.97 fps",
        "Source: A001",
        "Note: ",
        "Scene: 12",
        "Shot/Take: 3",
        "Origination Date and Time: 2026-01-02 @ 10:20:30",
        "Userbit: ",
        "Originator: Recorder",
        "Originator Reference: REF123",
        "-----------------------",
    };
    EXPECT_EQ(bwfInfoSummary("/media/A001T01.wav", info, "NTSC"), expected);
    EXPECT_EQ(bwfInfoSummary("f", BwfInfo::withReaderKeys(), "PAL")[1], "Channels: ");
    const std::pair<std::string_view, std::string_view> rates[] = {
        {"PAL", "25.00"}, {"23.976 fps", "23.98"}, {"59.94 fps", "59.94"}, {"SECAM", "24.00"}};
    for (const auto& [tvSys, rate] : rates) {
        EXPECT_EQ(bwfInfoSummary("f", info, tvSys)[4],
                  "Timecode start: 01:00:00:00 @ " + std::string(rate) + " fps");
    }
    // The recorder's rate, when the file names one, follows the start.
    BwfInfo withRecorder = info;
    withRecorder.set(bwfkey::kRecorderRate, "24000/1001 NDF");
    const auto lines = bwfInfoSummary("f", withRecorder, "PAL");
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines[5], "Recorder timecode rate: 24000/1001 NDF");
}

TEST(BwfInfoText, JsonEscapesEveryKeyAndValue) {
    BwfInfo info = BwfInfo::withReaderKeys();
    info.set("Log Note", "say \"hi\"\\ \x01\ttab\r\n caf\xC3\xA9");
    const std::string json = bwfInfoJson(info);
    EXPECT_EQ(json.front(), '{');
    EXPECT_NE(json.find(R"("Log Note": "say \"hi\"\\ \u0001\ttab\r\n caf)"), std::string::npos)
        << json;
    EXPECT_NE(json.find(R"("containsbext": "YES")"), std::string::npos);
    EXPECT_EQ(std::count(json.begin(), json.end(), ':'), 18);
}

// --- The recorder's rate in iXML ---
TEST(RecorderRateTest, ReadsTheSpeedElementOnly) {
    const std::pair<std::string_view, std::optional<RecorderRate>> cases[] = {
        {"<BWFXML><SPEED><TIMECODE_RATE>24000/1001</TIMECODE_RATE>"
         "<TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED></BWFXML>",
         RecorderRate{{24000, 1001}, false}},
        {"<SPEED>\n <TIMECODE_FLAG> DF </TIMECODE_FLAG>\n <TIMECODE_RATE>30000/1001</TIMECODE_RATE>"
         "</SPEED>",
         RecorderRate{{30000, 1001}, true}},
        {"<SPEED><TIMECODE_RATE>60000/1001</TIMECODE_RATE><TIMECODE_FLAG>df</TIMECODE_FLAG></"
         "SPEED>",
         RecorderRate{{60000, 1001}, false}},
        // Outside SPEED, broken, or not a fraction of positive whole numbers.
        {"<TIMECODE_RATE>25/1</TIMECODE_RATE>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE>", std::nullopt},
        {"<SPEED></SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25</TIMECODE_RATE></SPEED>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25/0</TIMECODE_RATE></SPEED>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25.0/1</TIMECODE_RATE></SPEED>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>1234567890/1</TIMECODE_RATE></SPEED>", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [ixml, expected] : cases) {
        EXPECT_EQ(parseRecorderRate(ixml), expected) << ixml;
    }
}

TEST(RecorderRateTest, FromRecorderResolvesToAFixedChoice) {
    const BwfFrameRate fromRecorder{BwfFrameRate::Kind::FromRecorder};
    const std::pair<std::optional<RecorderRate>, std::string_view> cases[] = {
        {RecorderRate{{24000, 1001}, false}, "23.976 fps"},
        {RecorderRate{{25, 1}, true}, "PAL"}, // no drop frame at 25
        {RecorderRate{{30000, 1001}, true}, "NTSC DF"},
        {RecorderRate{{60000, 1001}, true}, "59.94 DF"},
        {RecorderRate{{120000, 2002}, false}, "59.94 NDF"},
        {RecorderRate{{48, 1}, false}, "PAL"}, // a rate no choice has
        {std::nullopt, "PAL"},
    };
    for (const auto& [recorder, used] : cases) {
        EXPECT_EQ(usedFrameRate(fromRecorder, recorder).name(), used)
            << (recorder ? recorder->text() : "none");
    }
    // A fixed choice stays itself whatever the recorder wrote.
    EXPECT_EQ(usedFrameRate(*BwfFrameRate::parse("NTSC DF"), RecorderRate{{25, 1}, false}).name(),
              "NTSC DF");
}

// --- Import into movies ----------------------------------------------------------------------

// Floats at 32 bits, else integers.
Bytes bwfWith(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
              std::uint64_t timeReference, const Bytes& samples,
              const std::string& description = "sTAPE=R07\r\nsSCENE=3\r\nsTAKE=1") {
    test::BextFields fields = test::describedAs(description);
    fields.timeReference = timeReference;
    return test::buildWave({{"bext", test::bextBody(fields)},
                            {"fmt ", test::fmtBody(bits == 32 ? 3 : 1, channels, rate, bits)},
                            {"data", samples}});
}

class BwfImportTest : public test::OutputFolderTest {
  protected:
    void SetUp() override {
        if (!test::haveProgram("ffprobe") || !test::haveProgram("ffmpeg")) {
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        }
        OutputFolderTest::SetUp();
    }

    std::string probe(const std::string& movie, const std::string& entries) const {
        return test::commandOutput("ffprobe -v error -select_streams a:0 -show_entries " + entries +
                                   " -of csv=p=0 '" + movie + "'");
    }

    /// The sound of `movie` as ffmpeg decodes it to raw `format` ("s16le"...), after `flags`.
    Bytes decode(const std::string& movie, const std::string& format,
                 const std::string& flags = "") const {
        const std::string raw = movie + ".raw";
        const std::string command = "ffmpeg -v error -y " + flags + " -i '" + movie +
                                    "' -map 0:a -c:a pcm_" + format + " -f " + format + " '" + raw +
                                    "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return test::readFile(raw);
    }

    /// Imports `input` into `movie` beside it; warnings go to m_warnings and the log.
    Result<BwfInfo> import(const std::string& input, const std::string& movie,
                           BwfImportOptions options = {}) {
        options.inputFile = path(input);
        options.destFile = path(movie);
        return ZAN_ImportFile(options, logger(), nullptr,
                              [this](std::string_view line) { m_warnings.emplace_back(line); });
    }
    Result<BwfInfo> importPair(const std::string& a, const std::string& b,
                               const std::string& movie) {
        BwfImportOptions options;
        options.secondImportFile = path(b);
        options.importTwoFiles = true;
        return import(a, movie, options);
    }

    std::vector<std::string> m_log;
    std::vector<std::string> m_warnings;
    ImportLog logger() {
        return [this](std::string_view line) { m_log.emplace_back(line); };
    }
};

// The samples are copied bit for bit whatever their layout; ffprobe, ffmpeg and mediainfo read
// the format, the start and the reel. 13:00:00 at 96 kHz is a time reference above 2^32.
TEST_F(BwfImportTest, SelfContainedCopyIsBitIdentical) {
    // Each row: channels, bits, rate, ffprobe's codec_name ("pcm_" and ffmpeg's raw format), the
    // record's tracks, the frame rate asked for and the start.
    const std::tuple<std::uint16_t, std::uint16_t, std::uint32_t, const char*, const char*,
                     const char*, const char*>
        rows[] = {
            {2, 24, 96000, "pcm_s24le", "2A", "PAL", "13:00:00:00"},
            {6, 24, 48000, "pcm_s24le", "6A", "24 fps", "13:00:00:00"},
            {1, 16, 44100, "pcm_s16le", "1A", "NTSC DF", "13:00:00;01"},
            {2, 32, 48000, "pcm_f32le", "2A", "PAL", "13:00:00:00"},
        };
    for (const auto& [channels, bits, rate, codec, tracks, frameRate, start] : rows) {
        SCOPED_TRACE(codec + std::to_string(channels));
        // Two seconds and a short last chunk; floats below 0.5, so that a decoder has no reason
        // to touch them.
        const std::size_t frames = 2 * rate + 13;
        Bytes samples = test::pseudoRandomBytes(frames * channels * bits / 8, rate);
        for (std::size_t at = 3; bits == 32 && at < samples.size(); at += 4) {
            samples[at] &= 0x3E;
        }
        test::writeFile(path("T01.wav"),
                        bwfWith(channels, rate, bits, std::uint64_t{rate} * 46800, samples));
        const std::string movie = path(std::string(codec) + tracks + ".mov");
        BwfImportOptions options;
        options.frameRate = BwfFrameRate::parse(frameRate);
        auto info = import("T01.wav", fs::path(movie).filename(), options);
        ASSERT_TRUE(info) << info.error().message;
        EXPECT_EQ(info->value("Filename"), movie);
        EXPECT_EQ(info->value("Media Start"), start);
        EXPECT_EQ(info->value("Tracks"), tracks);
        EXPECT_EQ(probe(movie, "stream=codec_name,sample_rate,channels,duration_ts"),
                  std::string(codec) + "," + std::to_string(rate) + "," + std::to_string(channels) +
                      "," + std::to_string(frames) + "\n");
        EXPECT_EQ(test::probeTimecode(movie).timecode, start);
        EXPECT_EQ(test::probeTimecode(movie).reel, "R07");
        EXPECT_TRUE(decode(movie, std::string(codec).substr(4)) == samples);
        if (test::haveProgram("mediainfo")) {
            EXPECT_EQ(test::commandOutput("mediainfo --Inform='Audio;%BitDepth%' " +
                                          test::shellQuote(movie)),
                      std::to_string(bits) + "\n");
            EXPECT_EQ(test::mediainfoFirstTimecode(movie).substr(0, 11), start);
        }
    }
    EXPECT_EQ(test::temporariesIn(m_folder), 0);
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
    options.linkmedia = true;
    auto info = import("L.wav", "L.mov", options);
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media End"), "02:00:01:00");
    EXPECT_LT(fs::file_size(path("L.mov")), 4096u); // nothing copied
    EXPECT_TRUE(m_log.empty());
    EXPECT_TRUE(decode(path("L.mov"), "s24le", "-enable_drefs 1 -use_absolute_path 1") == samples);
    EXPECT_EQ(test::probeTimecode(path("L.mov")).timecode, "02:00:00:00");
    EXPECT_EQ(test::probeTimecode(path("L.mov")).reel, "R02");

    // A reduction to 16 bits at 44.1 kHz cannot refer to the 24-bit samples: it copies, and
    // says so.
    options.bitReduce = true;
    options.sampleRate = "44100 kHz";
    auto reduced = import("L.wav", "L16.mov", options);
    ASSERT_TRUE(reduced);
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find("holds a copy"), std::string::npos) << m_log[0];
    EXPECT_EQ(probe(path("L16.mov"), "stream=codec_name,sample_rate,channels,duration_ts"),
              "pcm_s16le,44100,2,44100\n");
    EXPECT_EQ(reduced->value("Media End"), "02:00:01:00");
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
        if (static_cast<std::int16_t>(stereo[at] | stereo[at + 1] << 8) >= 10000) {
            return frame;
        }
    }
    return std::nullopt;
}

// The two files of a pair are laid by their time references: ffmpeg hears the click of each
// where the recordings put it in time, the first file's on the left. The record is the first's.
TEST_F(BwfImportTest, PairIsLaidOutByTheTimeReferences) {
    // Each row: the samples channel B starts after channel A, the start, what is logged.
    const std::tuple<std::int64_t, const char*, const char*> rows[] = {
        {9600, "01:00:00:00", "S1_____2.wav starts 9600 samples (0.200 s) after S1_____1.wav"},
        {-9600, "00:59:59:20", "S1_____1.wav starts 9600 samples (0.200 s) after S1_____2.wav"},
    };
    const std::uint64_t referenceA = 48000ull * 3600;
    test::writeFile(path("S1_____1.wav"), bwfWith(1, 48000, 16, referenceA, clickAt(100)));
    for (const auto& [secondLater, mediaStart, logged] : rows) {
        SCOPED_TRACE(secondLater);
        m_log.clear();
        test::writeFile(path("S1_____2.wav"),
                        bwfWith(1, 48000, 16, referenceA + static_cast<std::uint64_t>(secondLater),
                                clickAt(100), "sTAKE=9"));
        const std::string movie = secondLater > 0 ? "S1____P1.mov" : "S1____P2.mov";
        auto info = importPair("S1_____1.wav", "S1_____2.wav", movie);
        ASSERT_TRUE(info) << info.error().message;
        EXPECT_EQ(info->value("Media Start"), mediaStart);
        EXPECT_EQ(info->value("Shot/Take"), "1");
        EXPECT_EQ(info->value("Tracks"), "2A");
        ASSERT_FALSE(m_log.empty());
        EXPECT_NE(m_log[0].find(logged), std::string::npos) << m_log[0];
        const Bytes decoded = decode(path(movie), "s16le");
        EXPECT_EQ(decoded.size(), (48000u + 9600u) * 4);
        EXPECT_EQ(firstClick(decoded, 0), 100u + (secondLater < 0 ? 9600 : 0));
        EXPECT_EQ(firstClick(decoded, 1), 100u + (secondLater > 0 ? 9600 : 0));
    }
}

// What is refused writes nothing, not even a temporary: a pair the pairing rule refuses, a sample
// rate no movie can declare, a file that is not WAVE.
TEST_F(BwfImportTest, RefusalsWriteNothing) {
    test::writeFile(path("X_1.wav"), bwfWith(1, 48000, 24, 0, Bytes(4800 * 3, 1)));
    // Each row: whether X_2.wav is imported with X_1.wav or alone, X_2.wav, what is said.
    const std::tuple<bool, Bytes, const char*> rows[] = {
        {true, bwfWith(1, 44100, 24, 0, Bytes(4800 * 3, 1)), "differ in sample"},
        {true, bwfWith(1, 48000, 16, 0, Bytes(4800 * 3, 1)), "differ in sample"},
        {true, bwfWith(1, 48000, 24, 48000 * 10, Bytes(4800 * 3, 1)), "do not overlap"},
        {false, bwfWith(1, 0, 16, 0, Bytes(400, 1)), "sample rate"},
        {false, bwfWith(1, 0x80000000u, 16, 0, Bytes(400, 1)), "sample rate"},
        {false, bwfWith(1, 0xFFFFFFFFu, 16, 0, Bytes(400, 1)), "sample rate"},
        {false, {}, "not a WAVE file"},
        {false, Bytes{'S', 'C', 'E', 'N', 'E', ' ', '4', '\n'}, "not a WAVE file"},
        {false, Bytes{'R', 'I', 'F', 'F', 0x10, 0, 0}, "not a WAVE file"},
    };
    for (const auto& [pair, second, said] : rows) {
        SCOPED_TRACE(said);
        test::writeFile(path("X_2.wav"), second);
        auto info =
            pair ? importPair("X_1.wav", "X_2.wav", "XP1.mov") : import("X_2.wav", "XP1.mov");
        ASSERT_FALSE(info);
        EXPECT_NE(info.error().message.find(said), std::string::npos) << info.error().message;
        EXPECT_FALSE(fs::exists(path("XP1.mov")));
        EXPECT_EQ(test::temporariesIn(m_folder), 0);
    }
    // A WAVE file without bext is answered with its record, and no movie.
    test::writeFile(path("plain.wav"), test::buildWave({{"fmt ", test::fmtBody(1, 1, 48000, 16)},
                                                        {"data", Bytes(20, 0)}}));
    auto info = import("plain.wav", "plain.mov");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->value("containsbext"), "NO");
    EXPECT_FALSE(fs::exists(path("plain.mov")));
}

// A plain RIFF recording past 4 GiB whose data size stayed at 0xFFFFFFFF: every sample to the
// end of the file is in the movie, and a warning says why. A sparse file and a linked movie
// keep the test small.
TEST_F(BwfImportTest, RiffOver4GiBIsReadToTheEnd) {
    const Bytes header = test::buildWave({{"bext", test::bextBody(test::describedAs("sTAPE=BIG"))},
                                          {"fmt ", test::fmtBody(1, 2, 48000, 24)},
                                          {"data", Bytes{}, 0xFFFFFFFFu}});
    test::writeFile(path("BIG.wav"), header);
    const std::uint64_t frames = 750'000'000; // 4.5 GB, 4 h 20 min
    fs::resize_file(path("BIG.wav"), header.size() + frames * 6);
    BwfImportOptions options;
    options.linkmedia = true;
    auto info = import("BIG.wav", "BIG.mov", options);
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media End"), "04:20:25:00");
    EXPECT_EQ(probe(path("BIG.mov"), "stream=duration_ts"), std::to_string(frames) + "\n");
    ASSERT_EQ(m_warnings.size(), 1u);
    EXPECT_NE(m_warnings[0].find("over 4 GiB"), std::string::npos) << m_warnings[0];
    EXPECT_EQ(m_log, m_warnings);
}

// At 1 Hz half a second is not even a frame: chunks are sized in bytes, so the header stays
// small beside the sound.
TEST_F(BwfImportTest, OneHertzMovieIsNotMostlyHeader) {
    const Bytes samples = test::pseudoRandomBytes(400000, 9);
    test::writeFile(path("ONE.wav"), bwfWith(1, 1, 16, 0, samples));
    ASSERT_TRUE(import("ONE.wav", "ONE.mov"));
    EXPECT_LT(fs::file_size(path("ONE.mov")), samples.size() + 4096);
    EXPECT_EQ(probe(path("ONE.mov"), "stream=sample_rate,duration_ts"), "1,200000\n");
}

// What the sound-movie writer refuses to put in place; the movies it writes are judged above.
using qtff::PcmEncoding;

// A movie without timecode is sound alone; one that ends inside a frame is never put in place.
TEST_F(BwfImportTest, SoundMovieWithoutTimecodeAndAbandoned) {
    qtff::SoundMovieOptions options;
    options.format = {PcmEncoding::Int16LE, 2, 48000};
    for (const std::size_t bytes : {400u, 3u}) {
        const std::string movie = path(std::to_string(bytes) + ".mov");
        auto writer = qtff::SoundMovieWriter::create(movie, options);
        ASSERT_TRUE(writer);
        ASSERT_TRUE((*writer)->write(test::Bytes(bytes, 0)));
        EXPECT_EQ((*writer)->finish(ExistingTarget::Keep).ok(), bytes == 400u);
        EXPECT_EQ(fs::exists(movie), bytes == 400u);
    }
    EXPECT_EQ(test::temporariesIn(m_folder), 0);
    EXPECT_EQ(test::commandOutput("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " +
                                  test::shellQuote(path("400.mov"))),
              "audio\n");
}

// A source that ends before the samples asked for: the error says how far the copy got, not
// errno's "Success".
TEST_F(BwfImportTest, SoundMovieShortCopySaysHowFarItGot) {
    const std::string source = writeText("samples.raw", std::string(1000, 'x'));
    qtff::SoundMovieOptions options;
    options.format = {PcmEncoding::Int16LE, 2, 48000};
    auto writer = qtff::SoundMovieWriter::create(path("c.mov"), options);
    ASSERT_TRUE(writer);
    const Status copied = (*writer)->copyFrom(source, 200, 1200);
    ASSERT_FALSE(copied);
    EXPECT_NE(copied.error().message.find("ended early: 800 of 1200 bytes copied"),
              std::string::npos)
        << copied.error().message;
    EXPECT_EQ(copied.error().message.find("Success"), std::string::npos);
}

} // namespace
} // namespace korvel
