// SPDX-License-Identifier: MIT
// Batch Add TC's decisions, log lines and summary, with the timecode-track operations replaced by
// a record of movies held in memory (the movies themselves are empty files in a temporary folder).
#include "movie/batch_add_tc.h"
#include "platform/scripted_user_interface.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>

namespace korvel {
namespace {

namespace fs = std::filesystem;

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
    Result<BatchAddTcSummary> run() {
        BatchAddTc batch(
            ui, [this](std::string_view entry) { log.emplace_back(entry); }, movies.operations());
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
    const auto summary = run();
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary->added, 2);
    EXPECT_EQ(summary->missed, 1);
    EXPECT_EQ(summary->skipped, 1);
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
    EXPECT_EQ(summary->added, 2);
    EXPECT_EQ(movies.calls.size(), 2u);
    EXPECT_FALSE(movies.hasTrack[movie("A003.mov")]);
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
    BatchAddTc batch(
        ui, [this](std::string_view entry) { log.emplace_back(entry); }, operations);
    const auto summary = batch.setMovieTCFromAle(options);
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary->added, 1);
    EXPECT_EQ(summary->failed, 1);
    EXPECT_EQ(summary->unconfirmed, 1);
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
TEST_F(BatchAddTcTest, TimecodesThatNameNoFrameAreRefused) {
    struct Row {
        const char* videoFormat;
        const char* start;
        bool convertTo24;
        const char* written; // nullptr: refused
    };
    const Row rows[] = {
        {"PAL", "24:00:00:00", false, nullptr},
        {"PAL", "23:59:59:24", false, "23:59:59:24"},
        {"NTSC", "00:01:00;01", false, nullptr},
        {"NTSC", "00:01:00;02", false, "00:01:00;02"},
        {"24 fps", "00:01:00;00", true, nullptr},
        {"24 fps", "01:00:00:30", true, nullptr},
        {"24 fps", "01:00:00:29", true, "01:00:00:23"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.videoFormat) + " " + row.start);
        makeMovie("A001.mov");
        log.clear();
        movies.calls.clear();
        writeAle(ale("A001\t" + std::string(row.start) + "\t\tR1\n", "Name\tStart\tEnd\tTape",
                     row.videoFormat));
        options.tvsys = row.videoFormat;
        options.convertTo24TC = row.convertTo24;
        ASSERT_TRUE(run().ok());
        const std::string refusal =
            "ERROR - The clip A001 has no valid timecode: " + std::string(row.start) +
            " - skipping...";
        EXPECT_EQ(std::find(log.begin(), log.end(), refusal) != log.end(), row.written == nullptr);
        ASSERT_EQ(movies.calls.size(), row.written ? 1u : 0u);
        if (row.written) {
            EXPECT_NE(movies.calls[0].find(row.written), std::string::npos) << movies.calls[0];
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

// Logs and settings that stop the batch before any movie is touched: each with its alert.
TEST_F(BatchAddTcTest, RefusalsTouchNothing) {
    makeMovie("A001.mov");
    struct Row {
        std::optional<std::string> text; // none: the ALE file cannot be read
        std::string tvsys;
        std::string alertTitle;
        std::string alertMessage;
    };
    const std::string wrong = "Something is wrong here...";
    const Row rows[] = {
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
    for (const Row& row : rows) {
        SCOPED_TRACE(row.alertMessage);
        ui = ScriptedUserInterface();
        fs::remove(options.alePath);
        if (row.text) {
            writeAle(*row.text);
        }
        options.tvsys = row.tvsys;
        EXPECT_FALSE(run().ok());
        ASSERT_EQ(ui.alerts().size(), 1u);
        EXPECT_EQ(ui.alerts()[0].title, row.alertTitle);
        EXPECT_EQ(ui.alerts()[0].message, row.alertMessage);
        EXPECT_EQ(ui.beeps(), 1);
        EXPECT_TRUE(ui.summaryLines().empty());
        EXPECT_TRUE(movies.calls.empty());
    }
}

TEST(BatchMovieFileName, NamesAndExtensions) {
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    struct Row {
        std::string name;
        std::string extension;
        std::int32_t baseNameLength;
        std::string fileName;
    };
    const Row rows[] = {
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
    for (const Row& row : rows) {
        EXPECT_EQ(batchMovieFileName(row.name, row.extension, row.baseNameLength), row.fileName)
            << row.name << " " << row.extension << " " << row.baseNameLength;
    }
}

} // namespace
} // namespace korvel
