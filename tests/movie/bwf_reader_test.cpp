// SPDX-License-Identifier: MIT
#include "../audio/wave_builder.h"
#include "movie/bwf_reader.h"
#include "movie/exbuffer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace korvel {
namespace {

using test::Bytes;
using test::Chunk;

BwfInfo readBytes(const Bytes& file, std::string_view name, const BwfReadOptions& options = {}) {
    MemoryByteSource source(file);
    return getBWF2Info(source, name, options);
}

void expectValues(const BwfInfo& info, const std::map<std::string, std::string>& expected,
                  const std::string& context) {
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(info.value(key), value) << context << ": " << key;
    }
}

// --- Real recorders' files -------------------------------------------------------------------

struct CorpusCase {
    const char* file;
    std::map<std::string, std::string> values;
};

const std::vector<CorpusCase>& corpusCases() {
    static const std::vector<CorpusCase> cases = {
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
          {"Comment 2", "Userbits: $12311803 | Originator: Sound Dev: 702T S#GR1112089007 | "
                        "Originator Reference: USSDVGR1112089007124014008228301"},
          {"Comment 4", "Original Filename: sounddevices_A101_3.WAV"},
          {"Originator", "Sound Dev: 702T S#GR1112089007"},
          {"Originator Reference", "USSDVGR1112089007124014008228301"},
          {"Sample Rate", "48000"},
          {"Bit Rate", "24"},
          {"containsbext", "YES"}}},
        {"iluvcapra-wavinfo/sounddevices_A101_4.WAV",
         {{"Media Start", "12:41:00:15"},
          {"Shot/Take", "4"},
          {"Userbit", "$12311804"},
          {"Reel", "18Y12M31"},
          {"Comment 1", "Origination Date and Time: 2018-12-31 @ 12:40:07"}}},
        {"iluvcapra-wavinfo/protools_PT_A101_4.A1.wav",
         {{"Name", "protools_PT_A101_4.A1.mov"},
          {"Media Start", "12:41:00:15"},
          {"Scene", "A101"},
          {"Shot/Take", "4"},
          {"Originator Reference", "aa4CKtcd13Vk"}}},
        {"iluvcapra-wavinfo/sounddevices_A101_1_1.WAV",
         {{"Media Start", "12:40:44:15"}, // 14.98 frames, rounded
          {"Tracks", "1A"},
          {"Bit Rate", "24"},
          {"Comment 1", "Origination Date and Time: 2018-12-31 @ 12:40:00"}}},
        {"iluvcapra-wavinfo/metacorder_Sr001-2C-01_01.WAV",
         {{"Media Start", "13:37:30:08"}, // 7.79 frames, rounded
          {"Reel", "Sr001"},
          {"Scene", "2C"},
          {"Shot/Take", "01"},
          {"Log Note", "Tail Slate Cloth noise"},
          {"Userbit", "00000000"},
          {"Originator", "Metacorder Demo"},
          {"Comment 1", "Origination Date and Time: 2019:01:01 @ 13:37:40"}}},
        {"iluvcapra-wavinfo/nuendo_Audio_-_Mono.wav",
         {{"Media Start", "01:00:00:00"},
          {"Reel", "nuendo_Audio_-_Mono"},
          {"Originator", "Nuendo"},
          {"Originator Reference", "USJPHNNNNNNNNN202829RRRRRRRRR"},
          {"Comment 1", "Origination Date and Time: 2022-12-02 @ 10:21:06"},
          {"Comment 2", " Originator: Nuendo | Originator Reference: "
                        "USJPHNNNNNNNNN202829RRRRRRRRR"},
          {"Tracks", "1A"}}},
        {"iluvcapra-wavinfo/nuendo_Audio_-_LRC.wav",
         {{"Media Start", "01:00:00:00"}, {"Tracks", "3A"}, {"Bit Rate", "24"}}},
        {"iluvcapra-wavinfo/protools_umid.wav",
         {{"Media Start", "00:00:15:08"},
          {"Sample Rate", "44100"},
          {"Originator", "Pro Tools"},
          {"Originator Reference", "aay5Lx9WcOQk"},
          {"Comment 1", "Origination Date and Time: 2020-01-05 @ 07:56:18"},
          {"Tracks", "1A"}}},
        {"iluvcapra-wavinfo/cue_chunks_STE-000.wav",
         {{"Media Start", "17:54:35:00"},
          {"Originator", "ZOOM Handy Recorder H4n"},
          {"Comment 1", "Origination Date and Time: 2023-11-05 @ 17:54:35"},
          {"Tracks", "2A"},
          {"Bit Rate", "16"}}},
        {"iluvcapra-wavinfo/smpl_alarm_citizen_loop1.wav",
         {{"containsbext", "NO"},
          {"Reel", "smpl_alarm_citizen_loop1"},
          {"Name", ""},
          {"Sample Rate", ""},
          {"Comment 4", ""}}},
        {"iluvcapra-wavinfo/sound_grinder_pro_new_camera_bumb_1.wav",
         {{"containsbext", "NO"}, {"Media Start", ""}}},
        {"exiftool-exiftool/RIFF.wav", {{"containsbext", "NO"}, {"Reel", "RIFF"}}},
    };
    return cases;
}

TEST(BwfReaderCorpus, EveryFileGivesTheRecordItsBextHolds) {
    const std::filesystem::path dir = std::filesystem::path(KORVEL_CORPUS_DIR) / "bwf";
    if (!std::filesystem::exists(dir)) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    for (const CorpusCase& c : corpusCases()) {
        const BwfInfo info = getBWF2Info((dir / c.file).string(), {});
        EXPECT_EQ(info.entries().size(), info.contains(bwfkey::kRecorderRate) ? 19u : 18u)
            << c.file;
        expectValues(info, c.values, c.file);
    }
}

// Recorders write their timecode rate in the iXML chunk; "From recorder" counts in it.
TEST(BwfReaderCorpus, FromRecorderTakesTheRateTheRecorderWrote) {
    const std::filesystem::path dir = std::filesystem::path(KORVEL_CORPUS_DIR) / "bwf";
    if (!std::filesystem::exists(dir)) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    const struct {
        const char* file;
        const char* recorderRate; // empty: none
        const char* start;
    } cases[] = {
        {"iluvcapra-wavinfo/sounddevices_A101_3.WAV", "24000/1001 NDF", "12:40:14:00"},
        {"iluvcapra-wavinfo/sounddevices_A101_1_1.WAV", "24000/1001 NDF", "12:39:59:00"},
        {"iluvcapra-wavinfo/protools_PT_A101_4.A1.wav", "24000/1001 NDF", "12:40:15:00"},
        {"iluvcapra-wavinfo/metacorder_Sr001-2C-01_01.WAV", "25/1 NDF", "13:37:30:08"},
        // No iXML: PAL's rules.
        {"iluvcapra-wavinfo/cue_chunks_STE-000.wav", "", "17:54:35:00"},
    };
    BwfReadOptions options;
    options.bwfFpsRate = BwfFrameRate::parse("From recorder");
    for (const auto& c : cases) {
        const std::string path = (dir / c.file).string();
        const BwfInfo info = getBWF2Info(path, options);
        EXPECT_EQ(info.value(bwfkey::kRecorderRate), c.recorderRate) << c.file;
        EXPECT_EQ(info.value(bwfkey::kMediaStart), c.start) << c.file;
        const auto recorder = bwfRecorderRate(path);
        EXPECT_EQ(recorder ? recorder->text() : "", c.recorderRate) << c.file;
    }
}

TEST(BwfReaderCorpus, FrameRateChoiceChangesOnlyTheStart) {
    const std::filesystem::path file =
        std::filesystem::path(KORVEL_CORPUS_DIR) / "bwf/iluvcapra-wavinfo/cue_chunks_STE-000.wav";
    if (!std::filesystem::exists(file)) {
        GTEST_SKIP() << "no corpus at " << file;
    }
    BwfReadOptions options;
    options.bwfFpsRate = BwfFrameRate::parse("24 fps");
    EXPECT_EQ(getBWF2Info(file.string(), options).value("Media Start"), "17:54:35:00");
    options.bwfFpsRate = BwfFrameRate::parse("NTSC DF");
    // 64475 s is 1932318.7 frames at 29.97; drop-frame counting gives a later label.
    EXPECT_EQ(getBWF2Info(file.string(), options).value("Media Start").size(), 11u);
    EXPECT_EQ(getBWF2Info(file.string(), options).value("Media Start")[8], ';');
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

struct GeneratedCase {
    const char* name;
    Recording recording;
    std::map<std::string, std::string> values;
};

class GeneratedBwfTest : public testing::TestWithParam<GeneratedCase> {};

TEST_P(GeneratedBwfTest, ReadsTheRecord) {
    const GeneratedCase& c = GetParam();
    expectValues(readBytes(bwf(c.recording), "/x/T01.wav"), c.values, c.name);
    expectValues(readBytes(bwf(c.recording, test::Container::Rf64), "/x/T01.wav"), c.values,
                 std::string(c.name) + " (RF64)");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, GeneratedBwfTest,
    testing::Values(
        GeneratedCase{"Mono16At44k1",
                      {1, 44100, 16, 44100 * 3600ull},
                      {{"Tracks", "1A"},
                       {"Bit Rate", "16"},
                       {"Sample Rate", "44100"},
                       {"Media Start", "01:00:00:00"}}},
        GeneratedCase{"Stereo24At48k",
                      {2, 48000, 24, 48000 * 60ull + 1920 * 3},
                      {{"Tracks", "2A"}, {"Bit Rate", "24"}, {"Media Start", "00:01:00:03"}}},
        // "Bit Rate" is the sample size the format declares, whatever the channels.
        GeneratedCase{"Six24ExtensibleAt96k",
                      {6, 96000, 24, 0, "", true},
                      {{"Tracks", "6A"}, {"Bit Rate", "24"}, {"Sample Rate", "96000"}}},
        GeneratedCase{"Three24", {3, 48000, 24}, {{"Tracks", "3A"}, {"Bit Rate", "24"}}},
        GeneratedCase{"FloatStereo", {2, 48000, 32}, {{"Tracks", "2A"}, {"Bit Rate", "32"}}},
        GeneratedCase{"FloatMono", {1, 48000, 32}, {{"Tracks", "1A"}, {"Bit Rate", "32"}}},
        GeneratedCase{"Float32SixExtensible", {6, 48000, 32, 0, "", true}, {{"Bit Rate", "32"}}},
        // Past 2^32 samples: 13:00:00 at 96 kHz and 07:00:00 at 192 kHz.
        GeneratedCase{"TimeReferenceAbove2To32At96k",
                      {2, 96000, 24, 46800ull * 96000},
                      {{"Media Start", "13:00:00:00"}}},
        GeneratedCase{"TimeReferenceAbove2To32At192k",
                      {2, 192000, 24, 25200ull * 192000 + 7680},
                      {{"Media Start", "07:00:00:01"}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DescriptionCase {
    const char* name;
    std::string description;
    std::map<std::string, std::string> values;
};

class DescriptionTest : public testing::TestWithParam<DescriptionCase> {};

TEST_P(DescriptionTest, ReadsTheKeyLines) {
    Recording r;
    r.description = GetParam().description;
    expectValues(readBytes(bwf(r), "/rec/A001T01.WAV"), GetParam().values, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DescriptionTest,
    testing::Values(
        DescriptionCase{
            "CrLf",
            "sSCENE=12\r\nsTAKE=3\r\nsNOTE=good\r\n",
            {{"Scene", "12"}, {"Shot/Take", "3"}, {"Description", "12/3"}, {"Log Note", "good"}}},
        DescriptionCase{"LastLineUnclosed",
                        "sSCENE=12\r\nsTAKE=3",
                        {{"Scene", "12"}, {"Shot/Take", "3"}, {"Description", "12/3"}}},
        DescriptionCase{"LfOnly",
                        "sSCENE=12\nsTAKE=3\nsTAPE=R7\n",
                        {{"Scene", "12"}, {"Shot/Take", "3"}, {"Reel", "R7"}}},
        DescriptionCase{"CrOnly",
                        "sSCENE=12\rsTAKE=3\rsNOTE=n",
                        {{"Scene", "12"}, {"Shot/Take", "3"}, {"Log Note", "n"}}},
        DescriptionCase{"BlankLinesBetween",
                        "sSCENE=1\r\n\r\n\n\rsTAKE=2",
                        {{"Scene", "1"}, {"Shot/Take", "2"}}},
        DescriptionCase{
            "AnyPrefixCharacter", "aTAPE=A001\r\nzSCENE=9\r\n", {{"Reel", "A001"}, {"Scene", "9"}}},
        DescriptionCase{"LowerCaseKeysIgnored", "sscene=12\r\n", {{"Scene", ""}}},
        DescriptionCase{"EmptyTapeGivesFileName", "sTAPE=\r\n", {{"Reel", "A001T01.WAV"}}},
        DescriptionCase{"TakeBeforeScene",
                        "sTAKE=3\r\nsSCENE=12\r\n",
                        {{"Description", "12/3"}, {"Scene", "12"}}},
        DescriptionCase{"SceneWithoutTake", "sSCENE=12\r\n", {{"Description", ""}}},
        DescriptionCase{"LaterLineWins", "sSCENE=1\r\nsSCENE=2\r\n", {{"Scene", "2"}}},
        DescriptionCase{
            "UserBits",
            "sUBITS=U1\r\n",
            {{"Userbit", "U1"},
             {"Comment 2", "Userbits: U1 | Originator: Recorder | Originator Reference: REF123"}}},
        DescriptionCase{"NoUserBits",
                        "",
                        {{"Comment 2", " Originator: Recorder | Originator Reference: REF123"},
                         {"Reel", "A001T01"}}},
        DescriptionCase{"FullWidthWithoutNul",
                        "sNOTE=" + std::string(250, 'x'),
                        {{"Log Note", std::string(250, 'x')}}},
        DescriptionCase{
            "WindowsCodePage", "sNOTE=caf\xE9 \x80", {{"Log Note", "caf\xC3\xA9 \xE2\x82\xAC"}}},
        DescriptionCase{"Utf8KeptAsItIs", "sNOTE=caf\xC3\xA9", {{"Log Note", "caf\xC3\xA9"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BwfReader, TapeIdChoice) {
    const Bytes file = bwf(Recording{});
    const std::vector<std::pair<std::string, std::string>> choices = {
        {"TapeID from BWF File", "A001"},
        {"BWF File Name", "SOUND_ROLL.WAV"},
        {"BWF File Name Without Extension", "SOUND_ROLL"},
        {"First 6 characters of File Name", "SOUND_"},
        {"something else", "SOUND_ROLL"},
    };
    for (const auto& [choice, reel] : choices) {
        BwfReadOptions options;
        options.bwfTapeIdSelect = choice;
        EXPECT_EQ(readBytes(file, "/a/SOUND_ROLL.WAV", options).value("Reel"), reel) << choice;
    }
    BwfReadOptions shortName;
    shortName.bwfTapeIdSelect = "First 6 characters of File Name";
    EXPECT_EQ(readBytes(file, "AB.wav", shortName).value("Reel"), "AB");
    // A name whose only dot is its first has no extension, as the movie named after it says.
    BwfReadOptions withoutExtension;
    withoutExtension.bwfTapeIdSelect = "BWF File Name Without Extension";
    EXPECT_EQ(readBytes(file, "/a/.WAV", withoutExtension).value("Reel"), ".WAV");
}

TEST(BwfReader, FindsChunksWhereverTheyAre) {
    test::BextFields fields = test::describedAs("sSCENE=5\r\nsNOTE=fmt is here\r\n");
    fields.timeReference = 48000 * 10;
    const Bytes bextBody = test::bextBody(fields);
    const Bytes fmt = test::fmtBody(1, 1, 48000, 24);
    // bext after a large JUNK chunk, beyond where a scan of the first kilobyte would look; the
    // word "fmt " in the description comes before the real format chunk.
    const Bytes afterJunk = test::buildWave(
        {{"JUNK", Bytes(5000, 0)}, {"bext", bextBody}, {"fmt ", fmt}, {"data", Bytes(30, 0)}});
    const BwfInfo info = readBytes(afterJunk, "f.wav");
    EXPECT_EQ(info.value("containsbext"), "YES");
    EXPECT_EQ(info.value("Scene"), "5");
    EXPECT_EQ(info.value("Sample Rate"), "48000");
    EXPECT_EQ(info.value("Media Start"), "00:00:10:00");
}

TEST(BwfReader, BrokenChunkListFallsBackToTheScan) {
    Bytes file = bwf(Recording{});
    file.insert(file.begin() + 12, {'\x01', '\x02', '\x03', '\x04', 0, 0, 0, 0});
    const BwfInfo info = readBytes(file, "broken.wav");
    EXPECT_EQ(info.value("containsbext"), "YES");
    EXPECT_EQ(info.value("Reel"), "A001");
    EXPECT_EQ(info.value("Sample Rate"), "48000");
}

TEST(BwfReader, MissingPieces) {
    // No fmt chunk: no start, no format values.
    const Bytes noFmt = test::buildWave(
        {{"bext", test::bextBody(test::describedAs("sTAKE=1\r\n"))}, {"data", Bytes(4, 0)}});
    const BwfInfo info = readBytes(noFmt, "nofmt.wav");
    EXPECT_EQ(info.value("containsbext"), "YES");
    EXPECT_EQ(info.value("Media Start"), "");
    EXPECT_EQ(info.value("Sample Rate"), "");
    EXPECT_EQ(info.value("Shot/Take"), "1");

    // A bext chunk cut short: what it holds is read, the rest is empty.
    const Bytes shortBext = test::buildWave({{"bext", Bytes{'x', 'T', 'A', 'K', 'E', '=', '7'}},
                                             {"fmt ", test::fmtBody(1, 2, 48000, 16)}});
    const BwfInfo cut = readBytes(shortBext, "cut.wav");
    EXPECT_EQ(cut.value("Shot/Take"), "7");
    EXPECT_EQ(cut.value("Originator"), "");
    EXPECT_EQ(cut.value("Media Start"), "00:00:00:00");

    // Unreadable, empty and non-RIFF inputs.
    EXPECT_EQ(getBWF2Info("/nonexistent/dir/x.wav", {}).value("containsbext"), "NO");
    EXPECT_EQ(readBytes({}, "e.wav").value("containsbext"), "NO");
    EXPECT_EQ(readBytes(Bytes(2000, 'b'), "b.wav").value("containsbext"), "NO");
}

// A recording cut short by the end of the file: the fields that lie inside the file are read.
struct CutShortCase {
    const char* name;
    std::size_t keptOfBext; // bytes of the bext body left in the file
    std::map<std::string, std::string> values;
};

class CutShortTest : public testing::TestWithParam<CutShortCase> {};

TEST_P(CutShortTest, ReadsWhatTheFileHolds) {
    test::BextFields fields = test::describedAs("sTAPE=R12\r\nsSCENE=4\r\n");
    fields.originator = "Recorder";
    fields.timeReference = 48000ull * 3600 * 10;
    // The format first, then a reserve larger than the byte scan reaches, then bext.
    Bytes file = test::buildWave({{"fmt ", test::fmtBody(1, 2, 48000, 24)},
                                  {"JUNK", Bytes(4000, 0)},
                                  {"bext", test::bextBody(fields)}});
    const std::size_t bextBody = file.size() - test::bextBody(fields).size();
    file.resize(bextBody + GetParam().keptOfBext);
    expectValues(readBytes(file, "/x/T09.wav"), GetParam().values, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Truncated, CutShortTest,
    testing::Values(CutShortCase{"AfterTheTimeReference",
                                 400,
                                 {{"containsbext", "YES"},
                                  {"Reel", "R12"},
                                  {"Scene", "4"},
                                  {"Media Start", "10:00:00:00"},
                                  {"Originator", "Recorder"}}},
                    CutShortCase{"InsideTheOriginator",
                                 260,
                                 {{"containsbext", "YES"},
                                  {"Reel", "R12"},
                                  {"Originator", "Reco"},
                                  {"Media Start", "00:00:00:00"}}},
                    CutShortCase{"InsideTheDescription",
                                 12,
                                 {{"containsbext", "YES"}, {"Reel", "R12"}, {"Scene", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BwfReader, WaveFileCheck) {
    const Bytes good = bwf(Recording{});
    const std::vector<std::pair<std::string, Bytes>> notWave = {
        {"empty", {}},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 'x'}},
        {"header cut short", Bytes(good.begin(), good.begin() + 10)},
        {"AIFF", Bytes{'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'}},
    };
    for (const auto& [name, bytes] : notWave) {
        MemoryByteSource source(bytes);
        EXPECT_FALSE(checkWaveFile(source)) << name;
    }
    MemoryByteSource source(good);
    EXPECT_TRUE(checkWaveFile(source));
    const Bytes rf64Bytes = bwf(Recording{}, test::Container::Rf64);
    MemoryByteSource rf64(rf64Bytes);
    EXPECT_TRUE(checkWaveFile(rf64));
    EXPECT_FALSE(checkWaveFile("/nonexistent/dir/x.wav"));
}

// --- Summary, JSON, buffer ---------------------------------------------------------------------

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
    EXPECT_EQ(bwfInfoSummary("f", info, "PAL")[4], "Timecode start: 01:00:00:00 @ 25.00 fps");
    EXPECT_EQ(bwfInfoSummary("f", info, "24 fps")[4], "Timecode start: 01:00:00:00 @ 24.00 fps");
    EXPECT_EQ(bwfInfoSummary("f", BwfInfo::withReaderKeys(), "PAL")[1], "Channels: ");
    const struct {
        std::string_view tvSys;
        std::string_view rate;
    } rates[] = {{"23.976 fps", "23.98"}, {"30 fps", "30.00"}, {"50 fps", "50.00"},
                 {"59.94 fps", "59.94"},  {"60 fps", "60.00"}, {"SECAM", "24.00"}};
    for (const auto& row : rates) {
        EXPECT_EQ(bwfInfoSummary("f", info, row.tvSys)[4],
                  "Timecode start: 01:00:00:00 @ " + std::string(row.rate) + " fps");
    }
    // The recorder's rate, when the file names one, follows the start.
    BwfInfo withRecorder = info;
    withRecorder.set(bwfkey::kRecorderRate, "24000/1001 NDF");
    const auto lines = bwfInfoSummary("f", withRecorder, "PAL");
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines[5], "Recorder timecode rate: 24000/1001 NDF");
    EXPECT_EQ(lines[6], "Source: A001");
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

TEST(EXBuffer, OwnsOrWrapsAndFillsAtMostItsCapacity) {
    std::uint8_t memory[4] = {9, 9, 9, 9};
    EXBuffer wrapped = EXBuffer::bufferWithMemory(memory, 4);
    EXPECT_FALSE(wrapped.needsFree());
    const std::uint8_t data[6] = {1, 2, 3, 4, 5, 6};
    wrapped.fillFromData({data, 2});
    EXPECT_EQ(wrapped.length(), 2u);
    EXPECT_EQ(memory[1], 2);
    EXPECT_EQ(memory[2], 9); // left as it was
    wrapped.fillFromData(data);
    EXPECT_EQ(wrapped.length(), 4u);

    EXBuffer owned = EXBuffer::bufferWithCapacity(8);
    EXPECT_TRUE(owned.needsFree());
    MemoryByteSource source({data, 6});
    auto got = readDataIntoBuffer(source, 4, owned);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, 2u);
    EXPECT_EQ(owned.buffer()[0], 5);
    EXPECT_EQ(reverseLong(0x11223344u), 0x44332211u);
}

} // namespace
} // namespace korvel
