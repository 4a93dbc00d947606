// SPDX-License-Identifier: MIT
#include "../audio/wave_builder.h"
#include "movie/bwf_reader.h"
#include "movie/ixml_speed.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <tuple>
#include <utility>

namespace korvel {
namespace {

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

TEST(BwfReaderCorpus, EveryFileGivesTheRecordItsBextHolds) {
    const std::filesystem::path dir = std::filesystem::path(KORVEL_CORPUS_DIR) / "bwf";
    if (!std::filesystem::exists(dir)) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    for (const auto& [file, values] : corpusCases()) {
        const BwfInfo info = getBWF2Info((dir / file).string(), {});
        EXPECT_EQ(info.entries().size(), info.contains(bwfkey::kRecorderRate) ? 19u : 18u) << file;
        expectValues(info, values, file);
    }
}

// Recorders write their timecode rate in the iXML chunk; "From recorder" counts in it.
TEST(BwfReaderCorpus, FromRecorderTakesTheRateTheRecorderWrote) {
    const std::filesystem::path dir = std::filesystem::path(KORVEL_CORPUS_DIR) / "bwf";
    if (!std::filesystem::exists(dir)) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    // Each case: the file, the rate its recorder wrote (empty: none), the start.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"iluvcapra-wavinfo/sounddevices_A101_3.WAV", "24000/1001 NDF", "12:40:14:00"},
        {"iluvcapra-wavinfo/metacorder_Sr001-2C-01_01.WAV", "25/1 NDF", "13:37:30:08"},
        // No iXML: PAL's rules.
        {"iluvcapra-wavinfo/cue_chunks_STE-000.wav", "", "17:54:35:00"},
    };
    BwfReadOptions options;
    options.bwfFpsRate = BwfFrameRate::parse("From recorder");
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
        BwfReadOptions options;
        options.bwfTapeIdSelect = choice;
        EXPECT_EQ(readBytes(file, name, options).value("Reel"), reel) << choice;
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

} // namespace
} // namespace korvel
