// SPDX-License-Identifier: MIT
// korvel's movie commands run as scripts run them, the movies judged by ffprobe and mediainfo and
// the XML lists by xmllint: bwf2qt, tc and batch-add-tc.
#include "../audio/wave_builder.h"
#include "../movie/test_media.h"
#include "../qtff/test_movies.h"
#include "qtff/movie_file.h"
#include "run_korvel.h"
#include "support/output_folder_test.h"

#include <cmath>
#include <future>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

struct Recording {
    std::string name;
    std::uint16_t channels;
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint64_t timeReference;
    std::string description;
};

class MovieCommands : public OutputFolderTest {
  protected:
    std::string record(const Recording& r, double seconds = 1.0, bool withBext = true) const {
        BextFields fields = describedAs(r.description);
        fields.timeReference = r.timeReference;
        writeFile(path(r.name + ".wav"),
                  bwfRecording(fields, r.channels, r.rate, r.bits, seconds, withBext));
        return path(r.name + ".wav");
    }
    std::vector<std::string> bwf2qt(std::vector<std::string> arguments,
                                    std::vector<std::string> before = {}) const {
        before.push_back("bwf2qt");
        before.insert(before.end(), arguments.begin(), arguments.end());
        before.insert(before.end(), {"-d", out("")});
        return prefs.with(before);
    }
    std::string xpath(const std::string& expression) const {
        const std::string value = commandOutput("xmllint --xpath " + shellQuote(expression) + " " +
                                                shellQuote(out("list.xml")));
        return value.substr(0, value.find('\n'));
    }

    TemporaryPrefs prefs;
};

// Each movie as the outside tools read it, and its start and reel alike in bwf-info, the batch
// list and the XML list (the clip list, or the sequence of "xmeml 5"), past midnight too.
TEST_F(MovieCommands, Bwf2qtMoviesAndListsAsOutsideToolsReadThem) {
    if (!haveProgram("ffprobe") || !haveProgram("mediainfo") || !haveProgram("xmllint")) {
        GTEST_SKIP() << "ffprobe, mediainfo and xmllint judge the movies and lists";
    }
    struct Row {
        std::vector<Recording> sources; // two: a channel pair
        std::vector<std::string> settings;
        std::string movie;
        std::string probed; // sample rate, channels, bits, duration
        std::string timecode;
        std::string xmeml; // timebase, ntsc, display format, start frame; empty: the clip list
    };
    const Row rows[] = {
        {{{"MONO16", 1, 44100, 16, 44100ull * 3600, "sTAPE=R01\r\nsSCENE=5\r\nsTAKE=2"}},
         {},
         "MONO16",
         "44100,1,16,1.000000",
         "01:00:00:00",
         ""},
        // 96 kHz after 12:25: the time reference needs its high 32 bits.
        {{{"POLY96", 4, 96000, 24, 96000ull * 46800, "sTAPE=R01\r\n"}},
         {"--bwf-fps", "24 fps"},
         "POLY96",
         "96000,4,24,1.000000",
         "13:00:00:00",
         ""},
        {{{"ABC123_1", 1, 48000, 16, 48000ull * 10, "sTAPE=R01\r\n"},
          {"ABC123_2", 1, 48000, 16, 48000ull * 10, "sTAPE=R01\r\n"}},
         {"--set", "BWFMergeTracks=Ch. 1 & 2", "--bwf-fps", "24 fps"},
         "ABC123P1",
         "48000,2,16,1.000000",
         "00:00:10:00",
         "24 FALSE NDF 240"},
        {{{"REDUCED", 2, 96000, 24, 96000ull * 36000, "sTAPE=R01\r\n"}},
         {"--set", "button24to16=true", "--set", "BWFSampleRate=44100 kHz", "--bwf-fps",
          "NTSC NDF"},
         "REDUCED",
         "44100,2,16,1.000000",
         "09:59:24:01", // ten hours of real time counted in 30 labels a second
         "30 TRUE NDF 1078921"},
        // A day and an hour: one time of day everywhere.
        {{{"DF25", 1, 48000, 16, 2697300ull * 16016 / 10, "sTAPE=R01\r\n"}},
         {"--bwf-fps", "NTSC DF"},
         "DF25",
         "48000,1,16,1.000000",
         "01:00:00;00",
         "30 TRUE DF 107892"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.movie);
        std::vector<std::string> arguments;
        for (const Recording& source : row.sources) {
            arguments.push_back(record(source));
        }
        arguments.insert(arguments.end(), {"--batch-list", out("list.txt"), "--xml",
                                           out("list.xml"), "--on-exists", "replace"});
        std::vector<std::string> settings = row.settings;
        if (!row.xmeml.empty()) {
            settings.insert(settings.end(), {"--set", "BWFXMLFormat=xmeml 5"});
        }
        const std::string movie = out(row.movie + ".mov");
        const CommandResult result = runKorvel(bwf2qt(arguments, settings));
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, movie + "\n");

        EXPECT_EQ(commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                                "stream=sample_rate,channels,bits_per_sample,duration -of "
                                "csv=p=0 " +
                                shellQuote(movie)),
                  row.probed + "\n");
        EXPECT_EQ(probeTimecode(movie).timecode, row.timecode);
        EXPECT_EQ(probeTimecode(movie).reel, "R01");
        EXPECT_EQ(mediainfoFirstTimecode(movie), row.timecode);
        EXPECT_EQ(runKorvel(prefs.with({"tc", "read", movie})).out, row.timecode + "\nR01\n");
        settings.insert(settings.end(), {"bwf-info", arguments[0]});
        EXPECT_NE(runKorvel(prefs.with(settings)).out.find("Timecode start: " + row.timecode),
                  std::string::npos);
        EXPECT_NE(readText(out("list.txt")).find("\t" + row.timecode + "\t"), std::string::npos);

        ASSERT_EQ(std::system(("xmllint --noout " + shellQuote(out("list.xml"))).c_str()), 0);
        if (row.xmeml.empty()) {
            EXPECT_EQ(xpath("string(/xmeml/@version)"), "0.5");
            EXPECT_NE(readText(out("list.xml")).find("<string>" + row.timecode + "</string>"),
                      std::string::npos);
            continue;
        }
        const std::string file = "/xmeml/sequence/media/audio/track[1]/clipitem[1]/file";
        EXPECT_EQ(xpath("count(/xmeml/sequence/media/audio/track)"), row.probed.substr(6, 1));
        EXPECT_EQ(xpath("concat(" + file + "/rate/timebase, ' ', " + file + "/rate/ntsc, ' ', " +
                        file + "/timecode/displayformat, ' ', " + file + "/timecode/frame)"),
                  row.xmeml);
        EXPECT_EQ(xpath("string(" + file + "/pathurl)"), "file://localhost" + movie);
    }
}

// The flags that answer bwf2qt's questions, bad usage, and the warnings repeated at the end.
TEST_F(MovieCommands, Bwf2qtFlagsAnswerTheQuestions) {
    const std::string a = record({"A01", 1, 48000, 16, 0, "sTAPE=A\r\n"}, 0.1);
    const std::string plain = record({"B02", 1, 48000, 16, 0, ""}, 0.1, false);
    const std::string c = record({"C03", 1, 48000, 16, 0, "sTAPE=C\r\n"}, 0.1);
    Bytes cut = bwfRecording(describedAs(""), 1, 48000, 16, 0.5);
    cut.resize(cut.size() - 100);
    writeFile(path("CUT.wav"), cut);
    writeFile(path("T01.BWF"), readFile(a));
    const std::string noBext = "The File: B02.wav is apparently not a BWF File.";
    const std::string lines = out("l.txt");
    expectRuns({
        {prefs.with({"bwf2qt", a}), 2, ""},
        {prefs.with({"bwf2qt", a, "-d", path("nowhere")}), 2, ""},
        {bwf2qt({path("none.wav")}), 2, ""},
        {bwf2qt({a, "--on-missing-bext", "replace"}), 2, ""},
        {bwf2qt({a, plain, c, "--batch-list", lines}), 0, out("A01.mov\n") + out("C03.mov\n"),
         noBext},
        {bwf2qt({a, "--batch-list", lines}), 0, "", "A01.mov"}, // neither replaced
        {bwf2qt({c, "--on-exists", "abort"}), 1, ""},
        {bwf2qt({plain, "--on-missing-bext", "abort"}), 1, "", noBext},
        {bwf2qt({path("CUT.wav")}), 0, out("CUT.mov\n"), "data chunk declares"},
        {bwf2qt({path("T01.BWF")}), 1, "", "lacks a Wave Type Code."},
    });
    const std::string list = readText(lines);
    EXPECT_EQ(std::count(list.begin(), list.end(), '\r'), 3);
    EXPECT_FALSE(fs::exists(out("T01.mov")));
    // A warning is the last thing said, where a person looks at the end of a long run.
    const std::string warned = runKorvel(bwf2qt({path("CUT.wav"), "--on-exists", "replace"})).err;
    EXPECT_TRUE(warned.ends_with("\n") &&
                warned.rfind('\n', warned.size() - 2) < warned.rfind("korvel: Warning: CUT.wav"))
        << warned;
}

// Movies that ffmpeg makes at the newer rates get their track from `korvel tc add`: the start,
// drop frame and reel as the outside tools read them, and a track as long as the picture.
TEST_F(MovieCommands, TcAddAtEachRateReadsBackAndRunsWithThePicture) {
    if (!haveProgram("ffmpeg") || !haveProgram("ffprobe") || !haveProgram("mediainfo")) {
        GTEST_SKIP() << "ffmpeg, ffprobe and mediainfo make and judge the movies";
    }
    const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
        {"23.976 fps", "24000/1001", "--no-df", "10:00:00:00"},
        {"50 fps", "50", "--no-df", "23:59:58:40"},
        {"59.94 fps", "60000/1001", "--df", "00:00:58;30"},
        {"PAL", "30000/1001", "--no-df", "01:00:00:00"}, // not the picture's rate: noted
    };
    for (const auto& [tv, rate, df, start] : rows) {
        SCOPED_TRACE(tv);
        const std::string movie = out("m.mov");
        ASSERT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i color=size=64x36:rate=" +
                             std::string(rate) + ":duration=3 -c:v mpeg4 " + shellQuote(movie))
                      .status,
                  0);
        const auto added = runKorvel(
            prefs.with({"--tv", tv, df, "tc", "add", movie, "--tc", start, "--reel", "R7"}));
        ASSERT_EQ(added.exitStatus, 0) << added.err;
        EXPECT_EQ(added.err.find("runs at 29.970 fps, but its timecode track counts PAL") ==
                      std::string::npos,
                  std::string(tv) != "PAL")
            << added.err;
        EXPECT_EQ(probeTimecode(movie).timecode, start);
        EXPECT_EQ(probeTimecode(movie).reel, "R7");
        EXPECT_EQ(mediainfoFirstTimecode(movie), start);
        const auto duration = [&movie](const char* stream) {
            return std::stod(
                commandOutput("ffprobe -v error -select_streams " + std::string(stream) +
                              " -show_entries stream=duration -of csv=p=0 " + shellQuote(movie)));
        };
        EXPECT_LT(std::abs(duration("d") - duration("v")), 0.5 / 60);
    }
}

TEST_F(MovieCommands, TcChecksAddsReadsReplacesAndDeletes) {
    const auto bytes = qtff::testing::makeTestMovie();
    const std::string movie = writeText("movie.mov", std::string(bytes.begin(), bytes.end()));
    const std::string text = writeText("text.mov", "just some text");
    const auto tc = [this](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "tc");
        return prefs.with(arguments);
    };
    expectRuns({
        {tc({"check", movie}), 0, "no\n"},
        {tc({"read", movie}), 0, "no timecode\nNo Source ID\n"},
        {tc({"add", movie, "--tc", "24:00:00:00", "--reel", "A"}), 1, ""},
        {tc({"add", movie, "--tc", "01:00:00:00", "--reel", std::string(256, 'r')}), 1, ""},
        {tc({"add", movie, "--reel", "A"}), 2, ""},
        {tc({"add", movie, "--tc", "01:00:00:00", "--reel", "A001"}), 0, ""},
        {tc({"check", movie}), 0, "yes\n"},
        {tc({"add", movie, "--tc", "02:00:00:00", "--reel", "B"}), 1, ""}, // a second would hide
        {tc({"read", movie}), 0, "01:00:00:00\nA001\n"},
        {prefs.with({"--tv", "NTSC", "--df", "tc", "add", movie, "--tc", "01:00:00;00", "--reel",
                     "B", "--replace"}),
         0, ""},
        {tc({"read", movie}), 0, "01:00:00;00\nB\n"},
        {tc({"delete", movie}), 0, ""},
        {tc({"check", movie}), 0, "no\n"},
        // What is not a readable movie fails, so that a script tells it from "no".
        {tc({"check", path("missing.mov")}), 1, "", "missing.mov"},
        {tc({"read", out("")}), 1, ""},
        {tc({"read", text}), 1, "", "text.mov"},
        {tc({"add", text, "--tc", "01:00:00:00"}), 1, "", "not a QuickTime movie"},
        {tc({"delete", text}), 1, "", "not a QuickTime movie"},
    });
    EXPECT_EQ(readText(text), "just some text");
    // The drop-frame example of the help, pasted into a shell, hands korvel the timecode whole.
    const std::string help = runKorvel({"tc", "--help"}).out;
    const auto at = help.find("korvel --tv NTSC --df tc add");
    ASSERT_NE(at, std::string::npos) << help;
    const auto example = help.substr(at, help.find('\n', at) - at);
    EXPECT_NE(
        commandOutput("set -- " + example + "; printf '%s\\n' \"$@\"").find("\n01:00:00;00\n"),
        std::string::npos)
        << example;
}

// Two runs adding at once take turns: one adds, the other finds the track; one movie header.
TEST_F(MovieCommands, ConcurrentTcRunsTakeTurns) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        const auto bytes = qtff::testing::makeTestMovie();
        const std::string movie = writeText("movie.mov", std::string(bytes.begin(), bytes.end()));
        const auto addAs = [&](const char* reel) {
            return std::async(std::launch::async, [&, reel] {
                return runKorvel(
                    prefs.with({"tc", "add", movie, "--tc", "01:00:00:00", "--reel", reel}));
            });
        };
        auto a = addAs("A");
        auto b = addAs("B");
        const bool firstAdded = a.get().exitStatus == 0;
        EXPECT_NE(firstAdded, b.get().exitStatus == 0);
        auto file = qtff::MovieFile::open(movie, qtff::OpenMode::ReadOnly);
        ASSERT_TRUE(file.ok()) << file.error().message;
        EXPECT_EQ(qtff::timecodeTrackIds(file->movie()).size(), 1u);
        EXPECT_EQ(std::count_if(file->layout().atoms.begin(), file->layout().atoms.end(),
                                [](const auto& atom) { return atom.type == qtff::fourCC("moov"); }),
                  1);
        EXPECT_EQ((*file->readTimecode())->description.reelName, firstAdded ? "A" : "B");
    }
}

TEST_F(MovieCommands, BatchAddTcSummaryAndOverrides) {
    if (!haveProgram("ffmpeg") || !haveProgram("ffprobe")) {
        GTEST_SKIP() << "ffmpeg and ffprobe make and judge these movies";
    }
    fs::create_directories(m_folder / "media");
    ASSERT_TRUE(makeMovie(path("media/A001.mov"), MovieKind::Video));
    ASSERT_TRUE(makeMovie(path("media/A002.mov"), MovieKind::VideoAndSound));
    const std::string ale = writeText("day.ale", "Heading\nVIDEO_FORMAT\tPAL\nColumn\nName\tStart\t"
                                                 "Tape\nData\nA001\t10:00:00:00\tR1\n"
                                                 "A002\t11:00:00:00\tR2\nA003\t12:00:00:00\tR3\n");
    const std::string again =
        writeText("again.ale", "Heading\nColumn\nName\tStart\tTape\nData\n"
                               "A001\t10:20:30:24\tNEW\nA002\t10:20:30:25\tBAD\n");
    const auto summary = [](const char* name, int clips, int added, int skipped, int missed) {
        return "The ALE file: " + std::string(name) + " contained " + std::to_string(clips) +
               " clip(s).\nAdded timecode tracks to " + std::to_string(added) +
               " QuickTime file(s).\nSkipped overwriting timecode tracks to " +
               std::to_string(skipped) + " QuickTime file(s).\nCould not find " +
               std::to_string(missed) + " QuickTime file(s).\n";
    };
    // A relative folder with a final slash is used as a panel would give it.
    const std::string media = fs::relative(m_folder / "media").string() + "/";
    expectRuns({
        {prefs.with({"batch-add-tc", ale}), 2, ""},
        {prefs.with({"batch-add-tc", ale, path("nowhere")}), 2, ""},
        {prefs.with({"--tv", "NTSC", "batch-add-tc", ale, media}), 1, "", "in PAL format"},
        {prefs.with({"batch-add-tc", ale, media}), 0, summary("day.ale", 3, 2, 0, 1),
         "A003.mov does not exists!"},
        {prefs.with({"--set", "overwrite=true", "batch-add-tc", again, media}), 1,
         summary("again.ale", 2, 1, 0, 0) + "Could not change 1 QuickTime file(s).\n",
         "The clip A002 has no valid timecode"},
        {prefs.with({"batch-add-tc", ale, media}), 0, summary("day.ale", 3, 0, 2, 1)},
    });
    EXPECT_EQ(probeTimecode(path("media/A001.mov")).reel, "NEW");
    EXPECT_EQ(timecodeTrackCount(path("media/A001.mov")), 1);
    EXPECT_EQ(probeTimecode(path("media/A002.mov")).timecode, "11:00:00:00");
}

} // namespace
} // namespace korvel::test
