// SPDX-License-Identifier: MIT
#include "../qtff/test_movies.h"
#include "qtff/movie_file.h"
#include "run_korvel.h"
#include "support/output_folder_test.h"
#include "support/outside_tools.h"

#include <future>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

class TcCommandTest : public OutputFolderTest {
  protected:
    void SetUp() override {
        OutputFolderTest::SetUp();
        m_movie = path("movie.mov");
        const auto bytes = qtff::testing::makeTestMovie();
        writeText("movie.mov", std::string(bytes.begin(), bytes.end()));
    }

    CommandResult run(std::vector<std::string> arguments) {
        for (auto& a : arguments)
            if (a == "MOVIE")
                a = m_movie;
        return runKorvel(m_prefs.with(arguments));
    }

    TemporaryPrefs m_prefs;
    std::string m_movie;
};

TEST_F(TcCommandTest, ChecksAddsReadsReplacesAndDeletes) {
    struct Step {
        std::vector<std::string> arguments;
        int exitStatus;
        std::string out;
        bool changesFile;
    };
    const Step steps[] = {
        {{"tc", "check", "MOVIE"}, 0, "no\n", false},
        {{"tc", "read", "MOVIE"}, 0, "no timecode\nNo Source ID\n", false},
        {{"tc", "delete", "MOVIE"}, 0, "", false},
        // Not timecode text under the TV system (the engine tests hold every such case).
        {{"tc", "add", "MOVIE", "--tc", "1:00:00:00", "--reel", "A"}, 1, "", false},
        {{"tc", "add", "MOVIE", "--tc", "24:00:00:00", "--reel", "A"}, 1, "", false},
        {{"tc", "add", "MOVIE", "--tc", "01:00:00:00", "--reel", std::string(256, 'r')},
         1,
         "",
         false},
        {{"--set", "TVSys=SECAM", "tc", "add", "MOVIE", "--tc", "01:00:00:00"}, 2, "", false},
        {{"tc", "add", "MOVIE", "--reel", "A"}, 2, "", false},
        {{"tc", "add", "MOVIE", "--tc", "01:00:00:00", "--reel", "A001"}, 0, "", true},
        {{"tc", "check", "MOVIE"}, 0, "yes\n", false},
        {{"tc", "read", "MOVIE"}, 0, "01:00:00:00\nA001\n", false},
        // A second track would hide behind the first: refused unless replacing.
        {{"tc", "add", "MOVIE", "--tc", "02:00:00:00", "--reel", "B"}, 1, "", false},
        {{"--tv", "NTSC", "--df", "tc", "add", "MOVIE", "--tc", "01:00:00;00", "--reel", "B",
          "--replace"},
         0,
         "",
         true},
        {{"tc", "read", "MOVIE"}, 0, "01:00:00;00\nB\n", false},
        {{"--tv", "NTSC", "--no-df", "tc", "add", "MOVIE", "--tc", "00:59:59:29", "--replace"},
         0,
         "",
         true},
        {{"tc", "read", "MOVIE"}, 0, "00:59:59:29\n\n", false},
        {{"tc", "delete", "MOVIE"}, 0, "", true},
        {{"tc", "check", "MOVIE"}, 0, "no\n", false},
    };
    for (const auto& step : steps) {
        std::string line;
        for (const auto& a : step.arguments)
            line += (a.size() > 20 ? a.substr(0, 20) + "..." : a) + " ";
        SCOPED_TRACE(line);
        const auto before = readText(m_movie);
        const auto result = run(step.arguments);
        EXPECT_EQ(result.exitStatus, step.exitStatus) << result.err;
        if (step.exitStatus != 2) {
            EXPECT_EQ(result.out, step.out);
        }
        EXPECT_EQ(readText(m_movie) != before, step.changesFile);
    }
}

// "no timecode" and "no" are answers about a movie; a file that could not be read as one fails,
// so that a script tells the two apart.
TEST_F(TcCommandTest, CheckAndReadFailOnWhatIsNotAReadableMovie) {
    const std::string missing = path("missing.mov");
    const std::string folder = path("out");
    const std::string empty = writeText("empty.mov", "");
    const std::string text = writeText("text.mov", "just some text, not a movie");
    for (const std::string& path : {missing, folder, empty, text}) {
        for (const char* command : {"check", "read"}) {
            SCOPED_TRACE(std::string(command) + " " + path);
            const auto result = run({"tc", command, path});
            EXPECT_EQ(result.exitStatus, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
        }
    }
    // Changing what is not a movie is refused and leaves the file as it was.
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"tc", "add", text, "--tc", "01:00:00:00"}, {"tc", "delete", text}}) {
        const auto result = run(arguments);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.err.find("not a QuickTime movie"), std::string::npos) << result.err;
        EXPECT_EQ(readText(text), "just some text, not a movie");
    }
}

TEST_F(TcCommandTest, HelpSaysWhatReadPrintsAndHowToQuoteDropFrame) {
    const auto read = run({"tc", "read", "--help"});
    EXPECT_EQ(read.exitStatus, 0);
    for (const char* mention :
         {"no timecode", "No Source ID", "empty line when the track carries an empty name"}) {
        EXPECT_NE(read.out.find(mention), std::string::npos) << mention << "\n" << read.out;
    }
    // The drop-frame example, pasted into a shell, hands korvel the timecode whole.
    const auto help = run({"tc", "--help"});
    const auto at = help.out.find("korvel --tv NTSC --df tc add");
    ASSERT_NE(at, std::string::npos) << help.out;
    const auto example = help.out.substr(at, help.out.find('\n', at) - at);
    const auto words = test::commandOutput("set -- " + example + "; printf '%s\\n' \"$@\"");
    EXPECT_NE(words.find("\n01:00:00;00\n"), std::string::npos) << example << "\n" << words;
}

// Two runs at once: one after the other, never both adding, and one live movie header.
TEST_F(TcCommandTest, ConcurrentRunsTakeTurns) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto bytes = qtff::testing::makeTestMovie();
        writeText("movie.mov", std::string(bytes.begin(), bytes.end()));
        auto addAs = [this](std::string reel) {
            return std::async(std::launch::async, [this, reel] {
                return run({"tc", "add", "MOVIE", "--tc", "01:00:00:00", "--reel", reel});
            });
        };
        auto a = addAs("A");
        auto b = addAs("B");
        const auto first = a.get();
        const auto second = b.get();
        EXPECT_EQ((first.exitStatus == 0) + (second.exitStatus == 0), 1) << first.err << second.err;

        auto movie = qtff::MovieFile::open(m_movie, qtff::OpenMode::ReadOnly);
        ASSERT_TRUE(movie.ok()) << movie.error().message;
        EXPECT_EQ(qtff::timecodeTrackIds(movie->movie()).size(), 1u);
        int headers = 0;
        for (const auto& atom : movie->layout().atoms)
            headers += atom.type == qtff::fourCC("moov");
        EXPECT_EQ(headers, 1);
        const auto reel = (*movie->readTimecode())->description.reelName;
        EXPECT_EQ(reel, first.exitStatus == 0 ? "A" : "B");
    }
}

} // namespace
} // namespace korvel::test
