// SPDX-License-Identifier: MIT
#include "../qtff/test_movies.h"
#include "qtff/file_io.h"
#include "qtff/movie_file.h"
#include "run_korvel.h"
#include "support/outside_tools.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvel::test {
namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TcCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_movie = (std::filesystem::temp_directory_path() /
                   ("korvel-tc-" + std::to_string(::getpid()) + ".mov"))
                      .string();
        const auto bytes = qtff::testing::makeTestMovie();
        std::ofstream(m_movie, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void TearDown() override { std::filesystem::remove(m_movie); }

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
        // Not timecode text under the TV system: refused, nothing written.
        {{"tc", "add", "MOVIE", "--tc", "1:00:00:00", "--reel", "A"}, 1, "", false},
        {{"tc", "add", "MOVIE", "--tc", "01:00:00:25", "--reel", "A"}, 1, "", false},
        {{"--tv", "24 fps", "tc", "add", "MOVIE", "--tc", "01:00:00:24"}, 1, "", false},
        {{"tc", "add", "MOVIE", "--tc", "01:00:00:00", "--reel", std::string(256, 'r')},
         1,
         "",
         false},
        {{"--set", "TVSys=SECAM", "tc", "add", "MOVIE", "--tc", "01:00:00:00"}, 2, "", false},
        // Hours past the day, and drop-frame labels that name no frame.
        {{"tc", "add", "MOVIE", "--tc", "25:00:00:00", "--reel", "A"}, 1, "", false},
        {{"tc", "add", "MOVIE", "--tc", "24:00:00:00", "--reel", "A"}, 1, "", false},
        {{"--tv", "NTSC", "--df", "tc", "add", "MOVIE", "--tc", "00:01:00;00"}, 1, "", false},
        {{"--tv", "NTSC", "--no-df", "tc", "add", "MOVIE", "--tc", "00:01:00;01"}, 1, "", false},
        {{"--tv", "NTSC", "--df", "tc", "add", "MOVIE", "--tc", "00:01:00:00"}, 1, "", false},
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
        const auto before = readAll(m_movie);
        const auto result = run(step.arguments);
        EXPECT_EQ(result.exitStatus, step.exitStatus) << result.err;
        if (step.exitStatus != 2) {
            EXPECT_EQ(result.out, step.out);
        }
        EXPECT_EQ(readAll(m_movie) != before, step.changesFile);
    }
}

TEST_F(TcCommandTest, FileThatIsNotAMovieIsLeftAlone) {
    std::ofstream(m_movie, std::ios::binary | std::ios::trunc) << "just some text, not a movie";
    const auto before = readAll(m_movie);
    auto check = run({"tc", "check", "MOVIE"});
    EXPECT_EQ(check.exitStatus, 1);
    EXPECT_EQ(check.out, "");
    auto add = run({"tc", "add", "MOVIE", "--tc", "01:00:00:00", "--reel", "A"});
    EXPECT_EQ(add.exitStatus, 1);
    EXPECT_NE(add.err.find("not a QuickTime movie"), std::string::npos) << add.err;
    EXPECT_EQ(run({"tc", "delete", "MOVIE"}).exitStatus, 1);
    EXPECT_EQ(readAll(m_movie), before);
}

// "no timecode" and "no" are answers about a movie; a file that could not be read as one fails,
// so that a script tells the two apart.
TEST_F(TcCommandTest, CheckAndReadFailOnWhatIsNotAReadableMovie) {
    const std::string missing = m_movie + ".missing";
    const std::string folder = m_movie + ".d";
    const std::string empty = m_movie + ".empty";
    const std::string text = m_movie + ".txt";
    std::filesystem::create_directory(folder);
    std::ofstream{empty};
    std::ofstream(text) << "just some text, not a movie";
    for (const std::string& path : {missing, folder, empty, text}) {
        for (const char* command : {"check", "read"}) {
            SCOPED_TRACE(std::string(command) + " " + path);
            const auto result = run({"tc", command, path});
            EXPECT_EQ(result.exitStatus, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
        }
    }
    std::filesystem::remove_all(folder);
    std::filesystem::remove(empty);
    std::filesystem::remove(text);
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

// Another process holds the movie open for writing until told to let go.
class OtherWriter {
  public:
    explicit OtherWriter(const std::string& path) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(m_release, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only the parent may hold the write end, or the child never sees it close.
            ::close(ready[0]);
            ::close(m_release[1]);
            auto file = qtff::openFile(path, qtff::OpenMode::ReadWrite);
            const char answer = file.ok() ? 'y' : 'n';
            (void)::write(ready[1], &answer, 1);
            char c = 0;
            (void)::read(m_release[0], &c, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(m_release[0]);
        char answer = 0;
        m_holding = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }
    ~OtherWriter() { letGo(); }
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    bool holding() const { return m_holding; }
    void letGo() {
        if (m_pid <= 0)
            return;
        ::close(m_release[1]);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

  private:
    int m_release[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_holding = false;
};

TEST_F(TcCommandTest, MovieBeingChangedElsewhereIsLeftAlone) {
    const auto before = readAll(m_movie);
    OtherWriter other(m_movie);
    ASSERT_TRUE(other.holding());
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"tc", "add", "MOVIE", "--tc", "01:00:00:00", "--reel", "A"},
             {"tc", "delete", "MOVIE"}}) {
        SCOPED_TRACE(arguments[1]);
        const auto result = run(arguments);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.err.find("is in use"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("nothing was changed"), std::string::npos) << result.err;
        EXPECT_TRUE(readAll(m_movie) == before) << "the movie must be unchanged";
    }
    // Reading is never kept waiting.
    EXPECT_EQ(run({"tc", "check", "MOVIE"}).out, "no\n");
    other.letGo();
    EXPECT_EQ(run({"tc", "add", "MOVIE", "--tc", "01:00:00:00", "--reel", "A"}).exitStatus, 0);
}

// Two runs at once: one after the other, never both adding, and one live movie header.
TEST_F(TcCommandTest, ConcurrentRunsTakeTurns) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto bytes = qtff::testing::makeTestMovie();
        std::ofstream(m_movie, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
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
