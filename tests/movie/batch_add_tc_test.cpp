// SPDX-License-Identifier: MIT
// Batch Add TC's decisions, log lines and summary, with the timecode-track operations replaced by
// a record of movies held in memory (the movies themselves are empty files in a temporary folder);
// then the real operations on movies made by ffmpeg, and those operations (QT_Utility) alone.
#include "../audio/wave_builder.h"
#include "../qtff/test_movies.h"
#include "movie/batch_add_tc.h"
#include "movie/qt_utility.h"
#include "platform/console.h"
#include "platform/scripted_user_interface.h"
#include "qtff/movie_file.h"
#include "support/output_folder_test.h"
#include "test_media.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace korvel {
namespace {

namespace fs = std::filesystem;

class RecordingConsole final : public Console {
  public:
    void diagnostic(std::string_view message) override { lines.emplace_back(message); }
    std::vector<std::string> lines;
};

struct FakeMovies {
    std::map<std::string, bool> hasTrack;
    std::set<std::string> refuseAdd;
    std::set<std::string> addNotFlushed;
    std::vector<std::string> calls;

    TimecodeTrackOperations operations() {
        return {
            [this](const std::string& path) { return hasTrack[path]; },
            [this](const std::string& path) -> Status {
                calls.push_back("delete " + path);
                hasTrack[path] = false;
                return {};
            },
            [this](const std::string& path, std::string_view tc, std::string_view reel,
                   std::string_view tvsys, bool df) -> Status {
                if (refuseAdd.count(path) != 0) {
                    return makeError("not a movie");
                }
                calls.push_back("add " + path + " " + std::string(tc) + " " + std::string(reel) +
                                " " + std::string(tvsys) + (df ? " DF" : ""));
                hasTrack[path] = true;
                if (addNotFlushed.count(path) != 0) {
                    return makeError("cannot flush the file to disk", ErrorKind::Unconfirmed);
                }
                return {};
            },
            {}, // overwriting deletes, then adds
        };
    }
};

class BatchAddTcTest : public test::OutputFolderTest {
  protected:
    void SetUp() override {
        OutputFolderTest::SetUp();
        fs::create_directories(m_folder / "media");
        options.alePath = (m_folder / "shoot.ALE").string();
        options.mediaFolder = media();
    }

    std::string media() const { return (m_folder / "media").string(); }
    std::string movie(const std::string& name) const { return media() + "/" + name; }
    void makeMovie(const std::string& name, bool withTrack = false) {
        std::ofstream(movie(name)) << "movie";
        movies.hasTrack[movie(name)] = withTrack;
    }
    void writeAle(const std::string& text) {
        std::ofstream(options.alePath, std::ios::binary) << text;
    }
    Result<BatchAddTcSummary> run(std::optional<TimecodeTrackOperations> operations = {}) {
        BatchAddTc batch(
            ui, [this](std::string_view entry) { log.emplace_back(entry); },
            operations ? *operations : movies.operations());
        return batch.setMovieTCFromAle(options);
    }

    /// Every line of `lines` is in the log.
    void expectLogged(const std::vector<std::string>& lines) const {
        for (const std::string& line : lines) {
            EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
        }
    }

    SetMovieTCFromAleOptions options;
    FakeMovies movies;
    ScriptedUserInterface ui;
    std::vector<std::string> log;
};

std::string ale(const std::string& rows, const std::string& columns = "Name\tStart\tEnd\tTape",
                const std::string& videoFormat = "PAL") {
    return "Heading\nFIELD_DELIM\tTABS\nVIDEO_FORMAT\t" + videoFormat + "\n\nColumn\n" + columns +
           "\n\nData\n" + rows;
}

TEST_F(BatchAddTcTest, AddedMissingAndSkipped) {
    makeMovie("A001.mov");
    makeMovie("A003.mov");
    makeMovie("A004.mov", true);
    writeAle(ale("A001\t10:00:00:00\t10:00:01:00\tR1\n"
                 "A002\t11:00:00:00\t11:00:01:00\tR2\n"
                 "A003\t12:00:00:00\t12:00:01:00\tR3\n"
                 "A004\t13:00:00:00\t13:00:01:00\tR4\n"));
    ASSERT_TRUE(run().ok()); // the counts are read in the summary lines made of them
    EXPECT_EQ(log,
              (std::vector<std::string>{
                  "Starting Batch Add TC...",
                  "The ALE file: shoot.ALE has Unix line breaks!",
                  "The ALE file has PAL video format",
                  "The ALE shot log contains 4 clips.",
                  "Adding timecode track to the QuickTime file " + movie("A001.mov"),
                  "ERROR - The file: " + movie("A002.mov") + " does not exists!",
                  "Adding timecode track to the QuickTime file " + movie("A003.mov"),
                  "The QuickTime file " + movie("A004.mov") + " already has a tc track... skipping",
                  "Found 3 QuickTime files out of 4 entries in the ALE shot log.",
                  "Ending Batch Add TC...\r",
              }));
    EXPECT_EQ(ui.summaryLines(), (std::vector<std::string>{
                                     "The ALE file: shoot.ALE contained 4 clip(s).",
                                     "Added timecode tracks to 2 QuickTime file(s).",
                                     "Skipped overwriting timecode tracks to 1 QuickTime file(s).",
                                     "Could not find 1 QuickTime file(s).",
                                 }));
    EXPECT_EQ(movies.calls,
              (std::vector<std::string>{"add " + movie("A001.mov") + " 10:00:00:00 R1 PAL",
                                        "add " + movie("A003.mov") + " 12:00:00:00 R3 PAL"}));
    // The progress sheet names each movie and ends before the summary.
    const auto& events = ui.events();
    EXPECT_NE(std::find(events.begin(), events.end(), "progress 1.000000 A002.mov|"), events.end());
    EXPECT_EQ(events.at(events.size() - 2), "progress end");
    EXPECT_EQ(events.back(), "summary Batch Add TC");
}

TEST_F(BatchAddTcTest, CancelStopsBetweenClipsAndReportsWhere) {
    makeMovie("A001.mov");
    makeMovie("A002.mov");
    makeMovie("A003.mov");
    writeAle(ale("A001\t10:00:00:00\t10:00:01:00\tR1\n"
                 "A002\t11:00:00:00\t11:00:01:00\tR2\n"
                 "A003\t12:00:00:00\t12:00:01:00\tR3\n"));
    ui.cancelAfterQuestions(2); // asked after A001 (no), after A002 (yes)
    const auto summary = run();
    ASSERT_TRUE(summary.ok());
    EXPECT_TRUE(summary->cancelled);
    EXPECT_EQ(movies.calls.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{
                  "Batch Add TC was cancelled after clip 2 of 3: the clips after it were left as "
                  "they were.",
                  "Found 2 QuickTime files out of 3 entries in the ALE shot log.",
                  "Ending Batch Add TC...\r",
              }));
    EXPECT_EQ(ui.summaryLines().at(1), "Added timecode tracks to 2 QuickTime file(s).");
    // Each movie found is reported from its first byte to its last: "movie" is 5 bytes.
    using Report = std::pair<std::uint64_t, std::uint64_t>;
    EXPECT_EQ(ui.fileProgressReports(), (std::vector<Report>{{0, 5}, {5, 5}, {0, 5}, {5, 5}}));
}

// Without a replacement in one change, overwriting deletes the old track, then adds.
TEST_F(BatchAddTcTest, OverwriteDeletesThenAdds) {
    makeMovie("A001.mov", true);
    writeAle(ale("A001\t10:00:00:00\t10:00:01:00\tR1\n"));
    options.overwrite = true;
    ASSERT_TRUE(run().ok());
    EXPECT_EQ(movies.calls,
              (std::vector<std::string>{"delete " + movie("A001.mov"),
                                        "add " + movie("A001.mov") + " 10:00:00:00 R1 PAL"}));
}

// Overwriting replaces the track in one change when the operations can: a refused replacement
// leaves the old track, and the movie is counted as not changed. A change not confirmed on the
// disk is neither added nor "could not change".
TEST_F(BatchAddTcTest, ReplacedRefusedAndUnconfirmedChanges) {
    makeMovie("A001.mov", true);
    makeMovie("A002.mov", true);
    makeMovie("A003.mov");
    writeAle(ale("A001\t10:00:00:00\t\tR1\nA002\t10:00:00:00\t\tR2\nA003\t10:00:00:00\t\tR3\n"));
    options.overwrite = true;
    movies.addNotFlushed.insert(movie("A003.mov"));
    TimecodeTrackOperations operations = movies.operations();
    operations.replaceTCTrack = [this](const std::string& path, std::string_view tc,
                                       std::string_view, std::string_view, bool) -> Status {
        if (path == movie("A002.mov")) {
            return makeError("the file is read-only");
        }
        movies.calls.push_back("replace " + path + " " + std::string(tc));
        return {};
    };
    const auto summary = run(operations);
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary->added, 1); // the other counts are read in the summary lines below
    EXPECT_EQ(movies.calls,
              (std::vector<std::string>{"replace " + movie("A001.mov") + " 10:00:00:00",
                                        "add " + movie("A003.mov") + " 10:00:00:00 R3 PAL"}));
    expectLogged({"ERROR - Could not add a timecode track to the file: " + movie("A002.mov") +
                      " (the file is read-only)",
                  "ERROR - The timecode track of the file: " + movie("A003.mov") +
                      " was changed, but the change may not be on the disk yet (cannot flush "
                      "the file to disk)"});
    ASSERT_EQ(ui.summaryLines().size(), 6u);
    EXPECT_EQ(ui.summaryLines().at(4), "Could not change 1 QuickTime file(s).");
    EXPECT_EQ(ui.summaryLines().at(5),
              "Changed 1 QuickTime file(s), but the changes may not be on the disk yet.");
}

// Rows whose movie cannot be changed, or whose timecode or reel cannot be written, and names
// that would reach out of the media folder (up, by a NUL byte, or by a link) are logged and
// counted apart; the fifth summary line appears only then. A link within the folder is followed.
TEST_F(BatchAddTcTest, RefusedRowsAreLoggedAndCounted) {
    for (const char* name : {"A001", "A002", "A003", "A004", "A005"}) {
        makeMovie(name);
    }
    movies.refuseAdd.insert(movie("A002"));
    std::ofstream(m_folder / "outside") << "movie";
    fs::create_symlink(m_folder / "outside", movie("Out"));
    fs::create_directories(m_folder / "media" / "takes");
    std::ofstream(m_folder / "media" / "takes" / "In") << "movie";
    fs::create_symlink("takes/In", movie("In"));
    writeAle(ale("A001\t10:00:00:00\t\tR1\n"
                 "A002\t10:00:00:00\t\tR2\n"
                 "A003\t1:00:00:00\t\tR3\n"
                 "A004\t10:00:00:25\t\tR4\n"
                 "A005\t10:00:00:00\t\t" +
                 std::string(256, 'R') +
                 "\n"
                 "A006\t10:00:00:00\n"
                 "..\t01:00:00:00\t\tR7\n" +
                 std::string("A001\0x", 6) +
                 "\t04:00:00:00\t\tR8\n"
                 "Out\t05:00:00:00\t\tR9\n"
                 "In\t06:00:00:00\t\tR10\n"));
    options.movieExtension = "None";
    const auto summary = run();
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary->clips, 10);
    EXPECT_EQ(summary->added, 2);
    EXPECT_EQ(summary->failed, 8);
    expectLogged({
        "ERROR - Could not add a timecode track to the file: " + movie("A002") + " (not a movie)",
        "ERROR - The clip A003 has no valid timecode: 1:00:00:00 - skipping...",
        "ERROR - The clip A004 has no valid timecode: 10:00:00:25 - skipping...",
        "ERROR - The tape name of the clip A005 is 256 bytes long; a timecode track holds 255 at "
        "most - skipping...",
        "ERROR - Line 14 of the ALE shot log has 2 field(s), too few for its name, timecode and "
        "tape columns - skipping...",
        "ERROR - The clip name .. does not name a file of the media folder - skipping...",
        "ERROR - The clip name A001\\0x does not name a file of the media folder - skipping...",
        "ERROR - The file: " + movie("Out") +
            " is a symbolic link leading out of the media folder - skipping...",
    });
    EXPECT_EQ(ui.summaryLines().at(1), "Added timecode tracks to 2 QuickTime file(s).");
    EXPECT_EQ(ui.summaryLines().at(4), "Could not change 8 QuickTime file(s).");
    EXPECT_EQ(movies.calls,
              (std::vector<std::string>{"add " + movie("A001") + " 10:00:00:00 R1 PAL",
                                        "add " + movie("In") + " 06:00:00:00 R10 PAL"}));
}

// The final row has no line break, a blank line stands between rows, a name carries the
// extension already and another a slash; drop frame comes from the text alone. A long clip name is
// looked for whole first: cut to the base-name length it may name the movie of another clip. The
// cut name is still found when only it exists.
TEST_F(BatchAddTcTest, RowsAndNamesAsLogged) {
    for (const char* name :
         {"A001.mov", "Scene 1:2.mov", "B001.mov", "A_0076C001_230511_184122_h1.mov",
          "A_0076C001_230511_184122_h1CTJ.mov", "B_0001C001_230511_184122_h1.mov"}) {
        makeMovie(name);
    }
    writeAle(ale("A001.mov\t01:00:00;00\t\tR1\n"
                 "\n"
                 "Scene 1/2\t01:00:00:00\t\tR2\n"
                 "A_0076C001_230511_184122_h1CTJ\t10:00:00:00\t\tR3\n"
                 "B_0001C001_230511_184122_h1XYZ\t11:00:00:00\t\tR4\n"
                 "B001\t02:00:00:00\t\tR5",
                 "Name\tStart\tEnd\tTape", "NTSC"));
    options.tvsys = "NTSC";
    const auto summary = run();
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary->clips, 5);
    EXPECT_EQ(movies.calls,
              (std::vector<std::string>{
                  "add " + movie("A001.mov") + " 01:00:00;00 R1 NTSC DF",
                  "add " + movie("Scene 1:2.mov") + " 01:00:00:00 R2 NTSC",
                  "add " + movie("A_0076C001_230511_184122_h1CTJ.mov") + " 10:00:00:00 R3 NTSC",
                  "add " + movie("B_0001C001_230511_184122_h1.mov") + " 11:00:00:00 R4 NTSC",
                  "add " + movie("B001.mov") + " 02:00:00:00 R5 NTSC"}));
}

// Hours of 24 or more, and drop-frame labels the counting skips, name no frame of the day: the
// row is refused, never written as another time. 30 fps timecodes are converted to 24 first.
// Each row: video format, start, whether converted to 24 fps, what is written (nullptr: refused).
TEST_F(BatchAddTcTest, TimecodesThatNameNoFrameAreRefused) {
    const std::tuple<const char*, const char*, bool, const char*> rows[] = {
        {"PAL", "24:00:00:00", false, nullptr},
        {"PAL", "23:59:59:24", false, "23:59:59:24"},
        {"PAL", "10:00:00:xx", false, nullptr},
        {"NTSC", "00:01:00;01", false, nullptr},
        {"NTSC", "00:01:00;02", false, "00:01:00;02"},
        {"24 fps", "00:01:00;00", true, nullptr},
        {"24 fps", "01:00:00:30", true, nullptr},
        {"24 fps", "01:00:00:29", true, "01:00:00:23"},
    };
    for (const auto& [videoFormat, start, convertTo24, written] : rows) {
        SCOPED_TRACE(std::string(videoFormat) + " " + start);
        makeMovie("A001.mov");
        log.clear();
        movies.calls.clear();
        writeAle(
            ale("A001\t" + std::string(start) + "\t\tR1\n", "Name\tStart\tEnd\tTape", videoFormat));
        options.tvsys = videoFormat;
        options.convertTo24TC = convertTo24;
        ASSERT_TRUE(run().ok());
        const std::string refusal =
            "ERROR - The clip A001 has no valid timecode: " + std::string(start) + " - skipping...";
        EXPECT_EQ(std::find(log.begin(), log.end(), refusal) != log.end(), written == nullptr);
        ASSERT_EQ(movies.calls.size(), written ? 1u : 0u);
        if (written) {
            EXPECT_NE(movies.calls[0].find(written), std::string::npos) << movies.calls[0];
        }
    }
    expectLogged({"Converting Clip A001 30 fps timecode: 01:00:00:29 to 24 fps timecode: "
                  "01:00:00:23"});
}

TEST_F(BatchAddTcTest, WindowsNamesTryTheSecondConversion) {
    makeMovie("Take \xC2\xAE.mov"); // the "WIN2K" name of Take/ø
    writeAle(ale("Take/\xC3\xB8\t01:00:00:00\t\tR1\n"));
    options.windowsText = true;
    const auto summary = run();
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary->added, 1);
    EXPECT_EQ(summary->missed, 0);
    EXPECT_EQ(std::vector<std::string>(log.begin() + 4, log.begin() + 7),
              (std::vector<std::string>{
                  "ERROR - The file: " + movie("Take \xC3\xB8.mov") + " does not exists!",
                  "Trying again with alternative conversion...",
                  "Adding timecode track to the QuickTime file " + movie("Take \xC2\xAE.mov"),
              }));
}

// Logs and settings that stop the batch before any movie is touched: each with its alert. Each
// row: the ALE text (none: the file cannot be read), the TV system, the alert's title and message.
TEST_F(BatchAddTcTest, RefusalsTouchNothing) {
    makeMovie("A001.mov");
    const std::string wrong = "Something is wrong here...";
    const std::tuple<std::optional<std::string>, std::string, std::string, std::string> rows[] = {
        {ale("A001\t01:00:00:00\t\tR1\n", "Name\tEnd\tTape"), "PAL", "Error",
         "The Batch List does not contain the Column specified in the preferences..."},
        {ale("A001\t01:00:00:00\t\tR1\n", "Nom\tStart\tEnd\tTape"), "PAL", "Error",
         "The Batch List does not contain a Name Column - stopping..."},
        {ale("A001\t01:00:00:00\t\tR1\n", "Name\tStart\tEnd\tReel"), "PAL", "Error",
         "The Batch List does not contain a Tape Column - stopping..."},
        {"Heading\nData\nA001\t01:00:00:00\n", "PAL", wrong,
         "The ALE file has no \"Column\" line!"},
        {"Heading\nColumn\nName\tStart\tTape\n", "PAL", wrong,
         "The ALE file has no \"Data\" line!"},
        {"\xEF\xBB\xBF Heading\n", "PAL", wrong, "The file is not an ALE file!"},
        {ale("A001\t01:00:00:00\t\tR1\n"), "NTSC", "Video Format confusion...",
         "The ALE file is in PAL format but the preferences are set to NTSC!"},
        {ale("A001\t01:00:00:00\t\tR1\n"), "SECAM", "Error",
         "The TV system \"SECAM\" is not PAL, NTSC or 24 fps - stopping..."},
        {ale("A001\t\t\tR1\n"), "PAL", "The starting timecode is missing!",
         "There is no timecode value in the timecode column."},
        {std::nullopt, "PAL", wrong, "The ALE file could not be read!"},
    };
    for (const auto& [text, tvsys, alertTitle, alertMessage] : rows) {
        SCOPED_TRACE(alertMessage);
        ui = ScriptedUserInterface();
        fs::remove(options.alePath);
        if (text) {
            writeAle(*text);
        }
        options.tvsys = tvsys;
        EXPECT_FALSE(run().ok());
        ASSERT_EQ(ui.alerts().size(), 1u);
        EXPECT_EQ(ui.alerts()[0].title, alertTitle);
        EXPECT_EQ(ui.alerts()[0].message, alertMessage);
        EXPECT_EQ(ui.beeps(), 1);
        EXPECT_TRUE(ui.summaryLines().empty());
        EXPECT_TRUE(movies.calls.empty());
    }
}

// Through the real timecode-track operations, on movies made by ffmpeg and judged by ffprobe: NTSC
// drop and non-drop frame taken from each timecode's text (a log with CR LF breaks, blank lines
// and an unclosed last row), 24 fps converted from 30 fps, and overwriting ffmpeg's own track or
// ours: every movie ends with exactly one timecode track, the new one, and its media as they
// were. 59.94 drop frame; a movie whose picture runs at 25 still gets its track, and the log
// names both rates.
TEST_F(BatchAddTcTest, RealMoviesEndWithTheNewTrackAlone) {
    if (!test::haveProgram("ffmpeg") || !test::haveProgram("ffprobe")) {
        GTEST_SKIP() << "ffmpeg and ffprobe judge these movies";
    }
    using test::MovieKind;
    ASSERT_TRUE(test::makeMovie(movie("B001.mov"), MovieKind::Video, "-timecode 09:00:00:00"));
    ASSERT_TRUE(test::makeMovie(movie("B002.mov"), MovieKind::VideoAndSound));
    ASSERT_TRUE(test::makeMovie(movie("B003"), MovieKind::Video, "-f mov"));
    ASSERT_TRUE(test::makeMovie(movie("C001.mov"), MovieKind::Video, "-r 60000/1001"));
    RecordingConsole console;
    const TimecodeTrackOperations real = timecodeTrackOperations(console, ui);
    const std::string hash = test::mediaHash(movie("B001.mov"));
    const auto expect = [this](const std::string& name, const char* timecode, const char* reel) {
        const test::ProbedTimecode probed = test::probeTimecode(movie(name));
        EXPECT_EQ(probed.timecode, timecode) << name;
        EXPECT_EQ(probed.reel, reel) << name;
        EXPECT_EQ(test::timecodeTrackCount(movie(name)), 1) << name;
    };
    const SetMovieTCFromAleOptions fresh = options;

    options.tvsys = "NTSC";
    options.overwrite = true;
    writeAle(
        "Heading\r\nVIDEO_FORMAT\tNTSC\r\n\r\nColumn\r\nName\tTracks\tStart\tTape\r\n\r\nData\r\n"
        "B001\tV\t01:00:00;00\tN1\r\n\r\nB002\tVA1\t00:59:59:29\tN2");
    ASSERT_TRUE(run(real).ok());
    expect("B001.mov", "01:00:00;00", "N1");
    expect("B002.mov", "00:59:59:29", "N2");

    options.tvsys = "24 fps";
    options.convertTo24TC = true;
    options.movieExtension = "None";
    writeAle("Heading\rColumn\rName\tStart\tTape\rData\rB001.mov\t10:00:00:29\tF1\r"
             "B003\t10:00:00:15\tF3\r");
    ASSERT_TRUE(run(real).ok());
    expect("B001.mov", "10:00:00:23", "F1");
    expect("B003", "10:00:00:12", "F3");
    EXPECT_EQ(test::mediaHash(movie("B001.mov")), hash);

    options = fresh;
    options.tvsys = "59.94 fps";
    options.overwrite = true;
    writeAle("Heading\nFPS\t59.94\nColumn\nName\tStart\tTape\nData\n"
             "C001\t00:09:59;59\tD1\nB002\t10:00:00:00\tD2\n");
    ASSERT_TRUE(run(real).ok());
    expect("C001.mov", "00:09:59;59", "D1");
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) {
                                return line.find("runs at 25.000 fps, but its timecode track "
                                                 "counts 59.94 fps") != std::string::npos;
                            }),
              1);
}

// Each row: the clip name, the extension, the base-name length, the movie's file name.
TEST(BatchMovieFileName, NamesAndExtensions) {
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    const std::tuple<std::string, std::string, std::int32_t, std::string> rows[] = {
        {"A001", ".mov", 28, "A001.mov"},
        {"A001.mov", ".mov", 28, "A001.mov"},
        {"A001.MOV", ".mov", 28, "A001.MOV.mov"},
        {"A001.mov", "mov", 28, "A001.mov"},
        {thirty, ".mov", 28, thirty.substr(0, 27) + ".mov"},
        {thirty.substr(0, 28), ".mov", 28, thirty.substr(0, 27) + ".mov"},
        {thirty, "", 28, thirty},
        {std::string(26, 'a') + "\xF0\x9F\x8E\xAC", ".mov", 28, std::string(26, 'a') + ".mov"},
        {"A001", ".mov", 0, ".mov"},
    };
    for (const auto& [name, extension, baseNameLength, fileName] : rows) {
        EXPECT_EQ(batchMovieFileName(name, extension, baseNameLength), fileName)
            << name << " " << extension << " " << baseNameLength;
    }
}

// --- The timecode-track operations themselves ---
using test::readFile;

class QTUtilityTest : public test::OutputFolderTest {
  protected:
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(path(name), bytes);
        return path(name);
    }
    std::string movie(const qtff::testing::TestMovieOptions& o = {}) {
        return write("m.mov", qtff::testing::makeTestMovie(o));
    }

    Status add(const std::string& path, std::string tc, std::string reel, std::string tvsys,
               bool df = false, bool replace = false, bool refuse = false) {
        return utility.ZAN_AddTCTrack(
            {path, std::move(tc), std::move(reel), std::move(tvsys), df, replace, refuse});
    }

    RecordingConsole console;
    ScriptedUserInterface ui;
    QT_Utility utility{console, ui};
};

// Each case: the timecode, TV system and drop-frame flag given, the frame number and text read
// back, and the reel given and read back (its cut to 255 bytes is the sample entry's test).
TEST_F(QTUtilityTest, StoresTheFrameNumberOfTheStartUnderEachSystem) {
    const std::tuple<const char*, const char*, bool, std::int64_t, const char*, const char*>
        cases[] = {
            {"01:00:00:00", "PAL", false, 90000, "01:00:00:00", "A001"},
            {"01:00:00:00", "24 fps", false, 86400, "01:00:00:00", ""},
            {"01:00:00:00", "NTSC", false, 108000, "01:00:00:00", "A001"},
            {"01:00:00;00", "NTSC", true, 107892, "01:00:00;00", "A001"},
            {"01:00:00:00", "PAL", true, 90000, "01:00:00:00", "A001"}, // drop frame: NTSC only
            {"1:2", "PAL", false, 1 * 90000, "01:00:00:00", "A001"},    // the fields it has
            {"ab:cd:ef:gh", "PAL", false, 0, "00:00:00:00", "A001"},
        };
    for (const auto& [tc, tvsys, df, frame, text, reel] : cases) {
        SCOPED_TRACE(std::string(tc) + " " + tvsys);
        const auto path = movie();
        ASSERT_TRUE(add(path, tc, reel, tvsys, df).ok());
        const auto start = utility.readStartTimecode(path);
        ASSERT_TRUE(start.has_value());
        EXPECT_EQ(start->frameNumber, frame);
        EXPECT_EQ(start->text, text);
        EXPECT_TRUE(utility.ZAN_CheckTCTrack(path));
        EXPECT_EQ(utility.ZAN_ReadSource(path), reel);
    }
    EXPECT_TRUE(console.lines.empty());
}

// A movie without timecode is answered so and left as it is; of two tracks added, the first
// answers, and one delete removes both. The tracks and references themselves are the qtff tests'.
TEST_F(QTUtilityTest, AddTwiceThenOneDeleteRemovesBoth) {
    const auto path = movie();
    const auto before = readFile(path);
    EXPECT_FALSE(utility.ZAN_CheckTCTrack(path));
    EXPECT_EQ(utility.ZAN_ReadSource(path), kNoSourceId);
    EXPECT_FALSE(utility.readStartTimecode(path).has_value());
    EXPECT_TRUE(utility.ZAN_DeleteTCTrack(path).ok());
    EXPECT_EQ(readFile(path), before);
    ASSERT_TRUE(add(path, "10:00:00:00", "FIRST", "PAL").ok());
    ASSERT_TRUE(add(path, "11:00:00:00", "SECOND", "PAL").ok());
    EXPECT_EQ(utility.ZAN_ReadSource(path), "FIRST");
    ASSERT_TRUE(utility.ZAN_DeleteTCTrack(path).ok());
    EXPECT_FALSE(utility.ZAN_CheckTCTrack(path));
    EXPECT_EQ(utility.ZAN_ReadSource(path), kNoSourceId);
}

// Each case: its name, the file, whether read-only, the TV system, what the console is told.
TEST_F(QTUtilityTest, FailuresLeaveTheFileUnchangedAndSaySo) {
    const std::string text = "not a movie at all";
    const std::tuple<const char*, std::vector<std::uint8_t>, bool, const char*, const char*>
        cases[] = {
            {"not a movie", {text.begin(), text.end()}, false, "PAL", "Error making new movie..."},
            {"read-only", qtff::testing::makeTestMovie(), true, "PAL", "Error opening file..."},
            {"unknown TV system", qtff::testing::makeTestMovie(), false, "SECAM", nullptr},
        };
    for (const auto& [name, bytes, readOnly, tvsys, told] : cases) {
        SCOPED_TRACE(name);
        console.lines.clear();
        const auto path = write(std::string(name) + ".mov", bytes);
        if (readOnly)
            std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::group_read);
        EXPECT_FALSE(add(path, "01:00:00:00", "R", tvsys).ok());
        EXPECT_EQ(readFile(path), bytes);
        EXPECT_EQ(console.lines,
                  told ? std::vector<std::string>{told} : std::vector<std::string>{});
    }
    const auto missing = path("missing.mov");
    console.lines.clear();
    EXPECT_FALSE(utility.ZAN_CheckTCTrack(missing));
    EXPECT_EQ(console.lines, std::vector<std::string>{"Error opening file..."});
    EXPECT_FALSE(utility.ZAN_DeleteTCTrack(missing).ok());
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(utility.ZAN_ReadSource(missing), kNoSourceId);
}

// Each case: the movie's and the picture's time scales, the first frame's length, whether there
// is a picture, and the rate.
TEST(GetFPS, IsTheTimeScaleOverTheFirstFrame) {
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, bool, const char*> cases[] = {
        {25, 25, 1, true, "25.000000"},
        {2997, 2997, 100, true, "29.969999"},
        {30000, 30000, 1001, true, "29.970030"},
        {600, 600, 20, true, "30.000000"},
        {600, 24000, 1001, true, "24.000000"}, // the frame ends at 25 (25.025) movie units
        {600, 600, 20, false, "NA"},
    };
    for (const auto& [movieScale, mediaScale, frame, video, fps] : cases) {
        const auto bytes = qtff::testing::makeTestMovie({.video = video,
                                                         .timeScale = movieScale,
                                                         .duration = 100000,
                                                         .mediaTimeScale = mediaScale,
                                                         .frameDuration = frame});
        auto file = qtff::MovieFile::open(std::make_unique<qtff::MemoryFile>(bytes));
        ASSERT_TRUE(file.ok());
        EXPECT_EQ(getFPS(file->movie()), fps) << movieScale << "/" << frame;
        EXPECT_EQ(timeScale(file->movie()), std::int32_t(movieScale));
    }
}

TEST_F(QTUtilityTest, RefusesOrReplacesAnExistingTrackWhenAsked) {
    const auto path = movie();
    ASSERT_TRUE(add(path, "01:00:00:00", "FIRST", "PAL").ok());
    const auto before = readFile(path);
    auto status = add(path, "02:00:00:00", "SECOND", "PAL", false, false, true); // refused
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().kind, ErrorKind::HasTimecodeTrack);
    EXPECT_EQ(readFile(path), before);

    ASSERT_TRUE(add(path, "02:00:00:00", "SECOND", "PAL", false, true, true).ok()); // replaced
    EXPECT_EQ(utility.ZAN_ReadSource(path), "SECOND");
    auto m = qtff::MovieFile::open(path, qtff::OpenMode::ReadOnly);
    EXPECT_EQ(qtff::timecodeTrackIds(m->movie()).size(), 1u);
}

} // namespace
} // namespace korvel
