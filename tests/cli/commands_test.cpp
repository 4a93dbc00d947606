// SPDX-License-Identifier: MIT
// korvel's text commands run as scripts run them: answers, exit statuses (0 done, 1 failed,
// 2 bad usage), the preference store and the files written. The arithmetic and conversions
// themselves are the engine's tests. Then the movie commands, the movies judged by ffprobe and
// mediainfo and the XML lists by xmllint: bwf2qt, tc and batch-add-tc; and what korvel writes and
// what it leaves alone: never an input, nothing left behind by an interrupt, and one movie per name
// when runs meet. Last, the terminal's progress line: what it shows, and that log lines and alerts
// never run into it.
#include "../audio/wave_builder.h"
#include "../movie/test_media.h"
#include "../qtff/test_movies.h"
#include "cli/progress_line.h"
#include "cli/terminal_user_interface.h"
#include "qtff/movie_file.h"
#include "run_korvel.h"
#include "support/local_http_server.h"
#include "support/output_folder_test.h"

#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

using KorvelCommands = KorvelTest;

TEST_F(KorvelCommands, HelpVersionTimecodeAndPreferences) {
    const CommandResult help = runKorvel({"--help"});
    for (const char* option : {"timecode", "bwf2qt", "--set", "--prefs", "--log"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    expectRuns({
        {{"--version"}, 0, "korvel (Korvel Tools) 1.2.1\n"},
        {korvel({"timecode", "to-frames", "01:00:00:00"}), 0, "90000\n"}, // PAL by default
        {korvel({"timecode", "to-frames", "01:00:00;00"}, {"--tv", "NTSC"}), 0, "107892\n"},
        {korvel({"timecode", "from-frames", "-1"}, {"--tv", "NTSC", "--df"}), 0, "23:59:59;29\n"},
        {korvel({"timecode", "from-frames", "1800"}, {"--set", "TVSys=NTSC", "--set", "DF=true"}),
         0, "00:01:00;02\n"},
        {korvel({"timecode", "from-samples", "4294967295", "--rate", "48000"},
                {"--bwf-fps", "NTSC DF"}),
         0, "00:51:18;17\n"},
        {korvel({"timecode", "from-samples", "5"}), 2, ""}, // --rate is required
        {korvel({"timecode"}), 2, ""},
        {korvel({"timecode", "to-frames", "1"}, {"--tv", "SECAM"}), 2, ""},
        {korvel({"timecode", "from-samples", "0", "--rate", "1"}, {"--set", "BWFfpsRate=ntsc df"}),
         2, "", "\"NTSC DF\""},
        // The store: absent keys, one-run overrides, typed values and popup choices.
        {korvel({"prefs", "get", "DF"}), 1, ""},
        {korvel({"prefs", "set", "DF", "true"}), 0, ""},
        {korvel({"prefs", "get", "DF"}, {"--set", "DF=false"}), 0, "false\n"},
        {korvel({"prefs", "get", "DF"}), 0, "true\n"},
        {korvel({"prefs", "set", "separateBins", "true"}), 2, ""}, // a misspelt key
        {korvel({"prefs", "set", "TVSys", "SECAM"}), 2, "", "\"PAL\", \"NTSC\", \"24 fps\""},
        {korvel({"prefs", "set", "TVSys", "24 fps"}), 0, ""},
        {korvel({"timecode", "to-frames", "00:00:01:00"}), 0, "24\n"},
        {korvel({"prefs", "reset"}), 0, ""},
        {korvel({"prefs", "get", "tcColumn"}), 0, "Start\n"},
        {{"--prefs", "/proc/korvel/prefs.ini", "prefs", "set", "TVSys", "NTSC"},
         1,
         "",
         "could not save the preferences"},
    });
    ASSERT_EQ(setenv("KORVEL_PREFS", path("prefs.ini").c_str(), 1), 0);
    EXPECT_EQ(runKorvel({"prefs", "set", "TVSys", "NTSC"}).exitStatus, 0);
    unsetenv("KORVEL_PREFS");
    EXPECT_EQ(runKorvel(korvel({"prefs", "get", "TVSys"})).out, "NTSC\n");
}

// Reading the store makes no folder for it; storing a value does. A TV system edited into the
// store by hand fails the run that would use it.
TEST_F(KorvelCommands, StoreOnDisk) {
    const std::string store = path("sub/prefs.ini");
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "list"}).exitStatus, 0);
    EXPECT_FALSE(fs::exists(path("sub")));
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "set", "TVSys", "50 fps"}).exitStatus, 0);
    std::string text = readText(store);
    writeText("sub/prefs.ini", text.replace(text.find("50 fps"), 6, "SECAM"));
    const CommandResult broken = runKorvel({"--prefs", store, "timecode", "to-frames", "1"});
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_NE(broken.err.find("SECAM"), std::string::npos) << broken.err;
}

TEST_F(KorvelCommands, CheckUpdateAnswersWhatTheWebSiteSays) {
    for (const auto& [build, out] :
         {std::pair{
              17, "newer: 1.3 (build 17)\nhomepage: https://k.org\ndownload: https://k.org/get\n"},
          {16, "latest: build 16 is the newest\n"}}) {
        const auto server = LocalHttpServer::answering(
            "<plist><dict><key>myVersionNumber</key><integer>" + std::to_string(build) +
            "</integer><key>myVersionName</key><string>1.3</string><key>myHomepageURL</key>"
            "<string>https://k.org</string><key>myDownloadURL</key><string>https://k.org/get"
            "</string></dict></plist>");
        expectRuns({{korvel({"check-update", "--url", server.url()}), 0, out}});
    }
    const RefusingPort port;
    expectRuns({{korvel({"check-update", "--url", port.url()}), 1, "", "Could not connect"}});
}

TEST_F(KorvelCommands, Ale2fcpWritesBesideTheAleOrToStandardOutput) {
    const std::string ale =
        writeText("Scene12.ALE", "Heading\r\nVIDEO_FORMAT\tPAL\r\nColumn\r\nName\tStart\tEnd\t"
                                 "Tracks\tTape\r\nData\r\nn1\t01:00:00:00\t01:00:01:00\tVA1\tT");
    const std::string list = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\r"
                             "n1\t01:00:00:00\t01:00:01:00\t1V, 1A\tA1\tT\r";
    expectRuns({
        {korvel({"ale2fcp", ale}, {"--log", path("log.txt")}), 0, "", "Finished converting 1"},
        {korvel({"ale2fcp", ale, "-o", "-"}), 0, list},
        {korvel({"ale2fcp", ale, "-o", "-"}, {"--tv", "NTSC"}), 1, "", "Video Format confusion"},
        {korvel({"ale2fcp", ale, "--on-exists", "abort"}), 1, ""},
        {korvel({"ale2fcp", path("missing.ale")}), 2, ""},
        {korvel({"ale2fcp", ale, "--on-exists", "maybe"}), 2, ""},
    });
    EXPECT_EQ(readText(path("Scene12.txt")), list);
    EXPECT_TRUE(readText(path("log.txt")).ends_with("\rFinished converting 1 clips.\r"));
}

// One ALE per bin, a bin name that would leave the folder kept inside it, and standard output
// naming only the files written: no file can replace the folder in the way.
TEST_F(KorvelCommands, Fcp2aleSeparateBins) {
    const std::string list =
        writeText("day1.txt", "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\r"
                              "a\t1\t2\t1V\t\tR\tClip\r- Bin A\rb\t3\t4\t2A\t\tR\tClip\r- ../../x\r"
                              "c\t5\t6\t1A\tA1\tR\tClip\r- Bin B\rd\t5\t6\t1A\tA1\tR\tClip\r");
    fs::create_directories(m_folder / "Bin B.ale");
    expectRuns({
        {korvel({"fcp2ale", list}, {"--tv", "24 fps"}), 1, ""},
        {korvel({"fcp2ale", list, "--on-exists", "replace"}, {"--set", "seperateBins=true"}), 1,
         path("day1.ale") + "\n" + path("Bin A.ale") + "\n" + path(".._.._x.ale") + "\n",
         "The ALE file could not be saved!"},
    });
    EXPECT_TRUE(readText(path("Bin A.ale")).ends_with("\rb\t3\t4\tA1A2\tR\r"));
}

struct Recording {
    std::string name;
    std::uint16_t channels;
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint64_t timeReference;
};

// A recording (a long one takes no room on disk: the header, then a hole of `dataBytes`).
void writeRecording(const std::string& path, std::uint64_t dataBytes, std::uint16_t channels = 2,
                    std::uint16_t bits = 24) {
    BextFields fields = describedAs("sTAPE=R01\r\n");
    Bytes header = bwfRecording(fields, channels, 48000, bits, 0);
    for (int i = 0; i < 4; ++i) {
        header[header.size() - 4 + i] = static_cast<std::uint8_t>(dataBytes >> (8 * i));
        header[4 + i] = static_cast<std::uint8_t>((header.size() - 8 + dataBytes) >> (8 * i));
    }
    writeFile(path, header);
    fs::resize_file(path, header.size() + dataBytes);
}

class MovieCommands : public KorvelTest {
  protected:
    std::string record(const Recording& r, double seconds = 1.0, bool withBext = true) const {
        BextFields fields = describedAs("sTAPE=R01\r\n");
        fields.timeReference = r.timeReference;
        writeFile(path(r.name),
                  bwfRecording(fields, r.channels, r.rate, r.bits, seconds, withBext));
        return path(r.name);
    }
    std::vector<std::string> bwf2qt(std::vector<std::string> arguments,
                                    std::vector<std::string> options = {}) const {
        arguments.insert(arguments.begin(), "bwf2qt");
        arguments.insert(arguments.end(), {"-d", out("")});
        return korvel(arguments, options);
    }
    std::string xpath(const std::string& expression) const {
        return commandOutput("xmllint --xpath " + shellQuote(expression) + " " +
                             shellQuote(out("list.xml")));
    }
    std::string movieWithoutTimecode() const {
        const auto bytes = qtff::testing::makeTestMovie();
        return writeText("movie.mov", std::string(bytes.begin(), bytes.end()));
    }
};

// Each movie as the outside tools read it, its start alike in the batch list and the XML list (the
// clip list, or the sequence of "xmeml 5"), past midnight too.
TEST_F(MovieCommands, Bwf2qtMoviesAndListsAsOutsideToolsReadThem) {
    if (!haveProgram("ffprobe") || !haveProgram("mediainfo") || !haveProgram("xmllint")) {
        GTEST_SKIP() << "ffprobe, mediainfo and xmllint judge the movies and lists";
    }
    struct Row {
        std::vector<Recording> sources; // two: a channel pair
        std::vector<std::string> settings;
        std::string probed; // movie, sample rate, channels, bits, duration
        std::string timecode;
        std::string xmeml; // timebase, ntsc, display format, start frame; empty: the clip list
    };
    // clang-format off
    const Row rows[] = {
        {{{"MONO16.wav", 1, 44100, 16, 44100ull * 3600}}, {}, "MONO16 44100,1,16,1.000000",
         "01:00:00:00", ""},
        {{{"ABC123_1.wav", 1, 48000, 16, 480000}, {"ABC123_2.wav", 1, 48000, 16, 480000}},
         {"--set", "BWFMergeTracks=Ch. 1 & 2", "--bwf-fps", "24 fps"},
         "ABC123P1 48000,2,16,1.000000", "00:00:10:00", "24 FALSE NDF 240"},
        // Ten hours of real time counted in 30 labels a second.
        {{{"REDUCED.wav", 2, 96000, 24, 96000ull * 36000}},
         {"--set", "button24to16=true", "--set", "BWFSampleRate=44100 kHz", "--bwf-fps", "NTSC NDF"},
         "REDUCED 44100,2,16,1.000000", "09:59:24:01", "30 TRUE NDF 1078921"},
        // A day and an hour: one time of day everywhere.
        {{{"DF25.wav", 1, 48000, 16, 2697300ull * 16016 / 10}}, {"--bwf-fps", "NTSC DF"},
         "DF25 48000,1,16,1.000000", "01:00:00;00", "30 TRUE DF 107892"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.probed);
        std::vector<std::string> arguments = {"--batch-list",  out("list.txt"), "--xml",
                                              out("list.xml"), "--on-exists",   "replace"};
        for (const Recording& source : row.sources) {
            arguments.push_back(record(source));
        }
        std::vector<std::string> settings = row.settings;
        if (!row.xmeml.empty()) {
            settings.insert(settings.end(), {"--set", "BWFXMLFormat=xmeml 5"});
        }
        const std::string movie = out(row.probed.substr(0, row.probed.find(' ')) + ".mov");
        const CommandResult result = runKorvel(bwf2qt(arguments, settings));
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, movie + "\n");
        EXPECT_EQ(commandOutput("ffprobe -v error -select_streams a:0 -show_entries stream=sample_"
                                "rate,channels,bits_per_sample,duration -of csv=p=0 " +
                                shellQuote(movie)),
                  row.probed.substr(row.probed.find(' ') + 1) + "\n");
        EXPECT_EQ(probeTimecode(movie).timecode, row.timecode);
        EXPECT_EQ(probeTimecode(movie).reel, "R01");
        EXPECT_EQ(mediainfoFirstTimecode(movie), row.timecode);
        EXPECT_NE(readText(out("list.txt")).find("\t" + row.timecode + "\t"), std::string::npos);
        ASSERT_EQ(std::system(("xmllint --noout " + shellQuote(out("list.xml"))).c_str()), 0);
        const std::string file = "/xmeml/sequence/media/audio/track[1]/clipitem[1]/file";
        EXPECT_EQ(row.xmeml.empty()
                      ? xpath("string(//clip/file/timecode/string)")
                      : xpath("concat(" + file + "/rate/timebase, ' ', " + file +
                              "/rate/ntsc, ' ', " + file + "/timecode/displayformat, ' ', " + file +
                              "/timecode/frame)"),
                  (row.xmeml.empty() ? row.timecode : row.xmeml) + "\n");
        if (!row.xmeml.empty()) {
            EXPECT_EQ(xpath("string(" + file + "/pathurl)"), "file://localhost" + movie + "\n");
        }
    }
}

// The flags that answer bwf2qt's questions, bad usage, and the warnings repeated at the end.
TEST_F(MovieCommands, Bwf2qtFlagsAnswerTheQuestions) {
    const std::string a = record({"A01.wav", 1, 48000, 16, 0}, 0.1);
    const std::string plain = record({"B02.wav", 1, 48000, 16, 0}, 0.1, false);
    const std::string c = record({"C03.wav", 1, 48000, 16, 0}, 0.1);
    Bytes cut = bwfRecording(describedAs(""), 1, 48000, 16, 0.5);
    cut.resize(cut.size() - 100);
    writeFile(path("CUT.wav"), cut);
    writeFile(path("T01.BWF"), readFile(a));
    const std::string noBext = "The File: B02.wav is apparently not a BWF File.";
    expectRuns({
        {korvel({"bwf2qt", a}), 2, ""},
        {bwf2qt({a, "--on-missing-bext", "replace"}), 2, ""},
        {bwf2qt({a, plain, c, "--batch-list", out("l.txt")}), 0,
         out("A01.mov\n") + out("C03.mov\n"), noBext},
        {bwf2qt({a, "--batch-list", out("l.txt")}), 0, "", "A01.mov"}, // neither replaced
        {bwf2qt({c, "--on-exists", "abort"}), 1, ""},
        {bwf2qt({plain, "--on-missing-bext", "abort"}), 1, "", noBext},
        {bwf2qt({path("CUT.wav")}), 0, out("CUT.mov\n"), "data chunk declares"},
        {bwf2qt({path("T01.BWF")}), 1, "", "lacks a Wave Type Code."},
    });
    const std::string list = readText(out("l.txt"));
    EXPECT_EQ(std::count(list.begin(), list.end(), '\r'), 3);
    EXPECT_FALSE(fs::exists(out("T01.mov")));
    // A warning is the last thing said, where a person looks at the end of a long run.
    const std::string warned = runKorvel(bwf2qt({path("CUT.wav"), "--on-exists", "replace"})).err;
    EXPECT_LT(warned.rfind('\n', warned.size() - 2), warned.rfind("korvel: Warning: CUT.wav"));
}

TEST_F(MovieCommands, TcChecksAddsReadsReplacesAndDeletes) {
    const std::string movie = movieWithoutTimecode();
    const std::string text = writeText("text.mov", "just some text");
    expectRuns({
        {korvel({"tc", "check", movie}), 0, "no\n"},
        {korvel({"tc", "read", movie}), 0, "no timecode\nNo Source ID\n"},
        {korvel({"tc", "add", movie, "--tc", "24:00:00:00", "--reel", "A"}), 1, ""},
        {korvel({"tc", "add", movie, "--reel", "A"}), 2, ""},
        {korvel({"tc", "add", movie, "--tc", "01:00:00:00", "--reel", "A001"}), 0, ""},
        {korvel({"tc", "check", movie}), 0, "yes\n"},
        {korvel({"tc", "add", movie, "--tc", "02:00:00:00"}), 1, ""}, // a second track would hide
        {korvel({"tc", "read", movie}), 0, "01:00:00:00\nA001\n"},
        {korvel({"tc", "add", movie, "--tc", "01:00:00;00", "--reel", "B", "--replace"},
                {"--tv", "NTSC", "--df"}),
         0, ""},
        {korvel({"tc", "read", movie}), 0, "01:00:00;00\nB\n"},
        {korvel({"tc", "delete", movie}), 0, ""},
        {korvel({"tc", "check", movie}), 0, "no\n"},
        // What is not a readable movie fails, so that a script tells it from "no".
        {korvel({"tc", "check", path("missing.mov")}), 1, "", "missing.mov"},
        {korvel({"tc", "read", text}), 1, "", "text.mov"},
        {korvel({"tc", "add", text, "--tc", "01:00:00:00"}), 1, "", "not a QuickTime movie"},
        {korvel({"tc", "delete", text}), 1, "", "not a QuickTime movie"},
    });
    EXPECT_EQ(readText(text), "just some text");
}

// Two runs adding at once take turns: one adds, the other finds the track; one movie header.
TEST_F(MovieCommands, ConcurrentTcRunsTakeTurns) {
    for (int round = 0; round < 3; ++round) {
        const std::string movie = movieWithoutTimecode();
        std::future<CommandResult> runs[2];
        for (const char* reel : {"A", "B"}) {
            runs[reel[0] - 'A'] = std::async(std::launch::async, [&, reel] {
                return runKorvel(
                    korvel({"tc", "add", movie, "--tc", "01:00:00:00", "--reel", reel}));
            });
        }
        const bool firstAdded = runs[0].get().exitStatus == 0;
        EXPECT_NE(firstAdded, runs[1].get().exitStatus == 0);
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
    const std::string ale =
        writeText("day.ale", "Heading\nVIDEO_FORMAT\tPAL\nColumn\nName\tStart\tTape\n"
                             "Data\nA001\t10:00:00:00\tR1\n"
                             "A002\t11:00:00:00\tR2\nA003\t12:00:00:00\tR3\n");
    const std::string again =
        writeText("again.ale", "Heading\nColumn\nName\tStart\tTape\nData\n"
                               "A001\t10:20:30:24\tNEW\nA002\t10:20:30:25\tBAD\n");
    // A relative folder with a final slash is used as a panel would give it.
    const std::string media = fs::relative(m_folder / "media").string() + "/";
    expectRuns({
        {korvel({"batch-add-tc", ale}), 2, ""},
        {korvel({"batch-add-tc", ale, media}, {"--tv", "NTSC"}), 1, "", "in PAL format"},
        {korvel({"batch-add-tc", ale, media}), 0,
         "The ALE file: day.ale contained 3 clip(s).\nAdded timecode tracks to 2 QuickTime "
         "file(s).\nSkipped overwriting timecode tracks to 0 QuickTime file(s).\nCould not find 1 "
         "QuickTime file(s).\n",
         "A003.mov does not exists!"},
        {korvel({"batch-add-tc", again, media}, {"--set", "overwrite=true"}), 1,
         "The ALE file: again.ale contained 2 clip(s).\nAdded timecode tracks to 1 QuickTime "
         "file(s).\nSkipped overwriting timecode tracks to 0 QuickTime file(s).\nCould not find 0 "
         "QuickTime file(s).\nCould not change 1 QuickTime file(s).\n",
         "The clip A002 has no valid timecode"},
    });
    EXPECT_EQ(probeTimecode(path("media/A001.mov")).reel, "NEW");
    EXPECT_EQ(timecodeTrackCount(path("media/A001.mov")), 1);
    EXPECT_EQ(probeTimecode(path("media/A002.mov")).timecode, "11:00:00:00");
}

using OutputSafetyTest = MovieCommands;

// Every way an output or the log could name an input (or the movie the run writes) stops the
// run before anything is written, and says which file.
TEST_F(OutputSafetyTest, OutputsNeverReplaceInputs) {
    writeRecording(path("a.WAV"), 48000);
    fs::create_hard_link(path("a.WAV"), path("alias.txt"));
    const std::string ale = writeText("day.ale", "x\n");
    writeText("list.txt", "old");
    const Bytes original = readFile(path("a.WAV"));
    const std::string a = path("a.WAV");
    const std::string d = out("");
    // The file the refusal names, then the arguments.
    const std::vector<std::string> rows[] = {
        {"a.WAV", "--log", a, "bwf2qt", a, "-d", d},
        {"a.WAV", "bwf2qt", a, "-d", d, "--batch-list", a, "--on-exists", "replace"},
        {"alias.txt", "bwf2qt", a, "-d", d, "--batch-list", path("alias.txt"), "--on-exists",
         "replace"},
        {"a.mov", "bwf2qt", a, "-d", d, "--xml", out("a.mov")},
        {"a.mov", "--log", out("a.mov"), "bwf2qt", a, "-d", d},
        {"list.txt exists; stopped", "bwf2qt", a, "-d", d, "--batch-list", path("list.txt"),
         "--on-exists", "abort"},
        {"", "ale2fcp", ale, "-o", ale, "--on-exists", "replace"},
        {"", "--log", path("prefs.ini"), "prefs", "list"},
    };
    for (const std::vector<std::string>& row : rows) {
        SCOPED_TRACE(row[0] + " " + row[1] + " " + row[3]);
        const std::vector<std::string> arguments(row.begin() + 1, row.end());
        const CommandResult result = runKorvel(korvel(arguments));
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.err.find(row[0]), std::string::npos) << result.err;
        EXPECT_TRUE(readFile(a) == original);
        EXPECT_EQ(readText(ale), "x\n");
        EXPECT_EQ(readText(path("list.txt")), "old");
        // Stopping at an existing list comes after the movie.
        EXPECT_EQ(fs::is_empty(m_folder / "out"), row[0].find("stopped") == std::string::npos);
        fs::remove_all(m_folder / "out");
        fs::create_directory(m_folder / "out");
    }
}

// Interrupted in the middle of a long copy, the run leaves neither a movie nor a temporary.
TEST_F(OutputSafetyTest, InterruptLeavesNoTemporary) {
    writeRecording(path("LONG.wav"), 3ull << 30);
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const pid_t pid = startKorvel(bwf2qt({path("LONG.wav")}));
        // Until the temporary is there, or the run ended by itself.
        int status = 0;
        while (temporariesIn(m_folder / "out") == 0 && ::waitpid(pid, &status, WNOHANG) == 0) {
            ::usleep(1000);
        }
        ::kill(pid, signal);
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_EQ(temporariesIn(m_folder / "out"), 0);
        EXPECT_FALSE(fs::exists(out("LONG.mov")));
    }
}

// Two runs writing the same movie at once: at most one says it wrote it, and what is there is a
// whole movie, one run's or the other's.
TEST_F(OutputSafetyTest, ConcurrentRunsNeverMix) {
    if (!haveProgram("ffprobe")) {
        GTEST_SKIP() << "ffprobe judges the movie";
    }
    // Long enough for the runs to overlap, and laid out differently, so that a mix shows.
    constexpr std::uint64_t kDataBytes = 192u << 20;
    const std::string expected[] = {"pcm_s24le," + std::to_string(kDataBytes / 6) + "\n",
                                    "pcm_s16le," + std::to_string(kDataBytes / 2) + "\n"};
    for (const auto& [source, channels, bits] : {std::tuple{"one", 2, 24}, {"two", 1, 16}}) {
        fs::create_directories(m_folder / source);
        writeRecording(path(std::string(source) + "/T01.wav"), kDataBytes, channels, bits);
    }
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        fs::remove(out("T01.mov"));
        CommandResult first;
        CommandResult second;
        std::thread a([&] { first = runKorvel(bwf2qt({path("one/T01.wav")})); });
        std::thread b([&] { second = runKorvel(bwf2qt({path("two/T01.wav")})); });
        a.join();
        b.join();
        EXPECT_EQ((first.out.find("T01.mov") != std::string::npos) +
                      (second.out.find("T01.mov") != std::string::npos),
                  1)
            << first.err << second.err;
        const std::string probed =
            commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                          "stream=codec_name,duration_ts -of csv=p=0 " +
                          shellQuote(out("T01.mov")));
        EXPECT_TRUE(probed == expected[0] || probed == expected[1]) << probed;
        EXPECT_EQ(temporariesIn(m_folder / "out"), 0);
    }
}

using namespace std::chrono_literals;

TEST(ProgressLine, ShowsTheRunTheFileTheRateAndTheTimeLeft) {
    const ProgressLine::Clock::time_point t0{};
    const std::tuple<std::uint64_t, ProgressLine::Clock::duration, std::string> cases[] = {
        {1'000'000, 100ms,
         "[#####...............]  25% 1.0 MB of 518.0 MB  BIG.WAV"}, // no rate yet
        {259'000'000, 5s,
         "[#######.............]  38% 259.0 MB of 518.0 MB  51.8 MB/s  0:05 left  BIG.WAV"},
    };
    for (const auto& [done, after, expected] : cases) {
        ProgressLine line;
        line.begin(4);
        line.update(1, "BIG.WAV");
        line.fileBytes(0, 518'000'000, t0);
        line.fileBytes(done, 518'000'000, t0 + after);
        EXPECT_EQ(line.render(120), expected);
    }
    ProgressLine line;
    line.begin(0);
    // 9 columns take 8 characters, never half of one.
    line.update(0, "\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8");
    EXPECT_EQ(line.render(9), "\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8");
    EXPECT_EQ(formatBytes(1'520'000'000), "1.52 GB");
    EXPECT_EQ(formatDuration(3723s), "1:02:03");
}

// What the interface wrote to its error stream, on a terminal and elsewhere.
std::string written(bool terminal) {
    std::FILE* stream = std::tmpfile();
    {
        TerminalUserInterface ui(stream, false, terminal);
        ui.progress().begin("bwf2qt", 1);
        ui.progress().update(0, "Converting BWF File: BIG.WAV", {});
        ui.writeLogEntry("Converting BWF File: /in/BIG.WAV...\r");
        ui.runAlert(Alert{"Title", "Message", "OK", {}, {}, false});
        ui.progress().end();
    }
    std::string text(static_cast<std::size_t>(std::ftell(stream)), '\0');
    std::rewind(stream);
    text.resize(std::fread(text.data(), 1, text.size(), stream));
    std::fclose(stream);
    return text;
}

TEST(TerminalUserInterface, LogLinesAndAlertsClearTheProgressLineFirst) {
    const std::string bar = "\r\x1b[K[....................]   0% Converting BWF File: BIG.WAV";
    EXPECT_EQ(written(true), bar + "\r\x1b[KConverting BWF File: /in/BIG.WAV...\n\n" + bar +
                                 "\r\x1b[KTitle: Message\n");
    EXPECT_EQ(written(false), "Converting BWF File: /in/BIG.WAV...\n\nTitle: Message\n");
}

} // namespace
} // namespace korvel::test
