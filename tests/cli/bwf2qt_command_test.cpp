// SPDX-License-Identifier: MIT
// korvel bwf2qt run as a process on BWF files written by the test: the movies judged by ffprobe
// and mediainfo, the XML list by xmllint, the batch list against bwf-info's record, and the
// flags that answer the command's questions.
#include "../audio/wave_builder.h"
#include "../movie/test_media.h"
#include "run_korvel.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

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

Bytes recording(const Recording& r, double seconds, bool withBext = true) {
    BextFields fields = describedAs(r.description);
    fields.originator = "Deva";
    fields.originatorRef = "REF-1";
    fields.timeReference = r.timeReference;
    return bwfRecording(fields, r.channels, r.rate, r.bits, seconds, withBext);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

class Bwf2qtCommandTest : public test::OutputFolderTest {
  protected:
    Bwf2qtCommandTest() : OutputFolderTest("korvel_cli_bwf2qt_") {}

    std::string write(const std::string& name, const Bytes& bytes) const {
        writeFile(path(name), bytes);
        return path(name);
    }
    CommandResult bwf2qt(std::vector<std::string> arguments,
                         std::vector<std::string> before = {}) const {
        std::vector<std::string> all = prefs.option();
        all.insert(all.end(), before.begin(), before.end());
        all.push_back("bwf2qt");
        all.insert(all.end(), arguments.begin(), arguments.end());
        all.insert(all.end(), {"-d", (m_folder / "out").string()});
        return runKorvel(all);
    }

    TemporaryPrefs prefs;
};

TEST_F(Bwf2qtCommandTest, UsageErrors) {
    const std::string file = write("A.wav", recording({"A", 1, 48000, 16, 0, ""}, 0.1));
    EXPECT_EQ(runKorvel(prefs.with({"bwf2qt", file})).exitStatus, 2);
    EXPECT_EQ(runKorvel(prefs.with({"bwf2qt", path("none.wav"), "-d", path("out")})).exitStatus, 2);
    EXPECT_EQ(runKorvel(prefs.with({"bwf2qt", file, "-d", path("nowhere")})).exitStatus, 2);
    EXPECT_EQ(bwf2qt({file, "--on-missing-bext", "replace"}).exitStatus, 2);
}

TEST_F(Bwf2qtCommandTest, HelpStatesThePairingRule) {
    const CommandResult result = runKorvel(prefs.with({"bwf2qt", "--help"}));
    EXPECT_EQ(result.exitStatus, 0);
    for (const char* part :
         {"ABC123_1.wav", "ABC123P1.mov", "bext time references", "mono WAVE files",
          "same sample rate and sample size", "overlap in time", "converted one by one"}) {
        EXPECT_NE(result.out.find(part), std::string::npos) << part;
    }
}

TEST_F(Bwf2qtCommandTest, WarningsAreRepeatedAtTheEnd) {
    Bytes cut = recording({"A", 1, 48000, 16, 0, ""}, 0.5);
    cut.resize(cut.size() - 100);
    const CommandResult result = bwf2qt({write("CUT.wav", cut)});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const auto last = result.err.rfind("korvel: Warning: CUT.wav: the data chunk declares");
    ASSERT_NE(last, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n', last), result.err.size() - 1) << result.err;
}

// Each movie as the outside tools read it: rate, channels, bits, length, start and reel.
TEST_F(Bwf2qtCommandTest, MoviesAndListsAsOutsideToolsReadThem) {
    if (!haveProgram("ffprobe") || !haveProgram("mediainfo") || !haveProgram("xmllint")) {
        GTEST_SKIP() << "ffprobe, mediainfo and xmllint judge the movies and lists";
    }
    struct Row {
        Recording source;
        std::vector<std::string> settings;
        std::string probed; // sample rate, channels, bits, duration
        std::string timecode;
        std::string reel;
    };
    const Row rows[] = {
        {{"MONO16", 1, 44100, 16, 44100ull * 3600, "sTAPE=R01\r\nsSCENE=5\r\nsTAKE=2"},
         {},
         "44100,1,16,1.000000",
         "01:00:00:00",
         "R01"},
        {{"ST24", 2, 48000, 24, 48000ull * 45000 + 48000 / 2, "sTAPE=DAY2\nsNOTE=room tone\n"},
         {"--bwf-fps", "NTSC NDF"},
         "48000,2,24,1.000000",
         "12:29:15:16",
         "DAY2"},
        // 96 kHz after 12:25: the time reference needs its high 32 bits.
        {{"POLY96", 4, 96000, 24, 96000ull * 46800, "sTAPE=P4\r\n"},
         {"--bwf-fps", "24 fps"},
         "96000,4,24,1.000000",
         "13:00:00:00",
         "P4"},
        {{"REDUCE", 2, 96000, 24, 96000ull * 36000, "sTAPE=R16\r\n"},
         {"--set", "button24to16=true", "--set", "BWFSampleRate=44100 kHz"},
         "44100,2,16,1.000000",
         "10:00:00:00",
         "R16"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source.name);
        const std::string file = write(row.source.name + ".wav", recording(row.source, 1.0));
        const std::string movie = out(row.source.name + ".mov");
        const CommandResult result = bwf2qt({file, "--batch-list", out("list.txt"), "--xml",
                                             out("list.xml"), "--on-exists", "replace"},
                                            row.settings);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, movie + "\n");

        EXPECT_EQ(
            commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                          "stream=sample_rate,channels,bits_per_sample,duration -of csv=p=0 " +
                          shellQuote(movie)),
            row.probed + "\n");
        const ProbedTimecode probed = probeTimecode(movie);
        EXPECT_EQ(probed.timecode, row.timecode);
        EXPECT_EQ(probed.reel, row.reel);
        EXPECT_EQ(mediainfoFirstTimecode(movie), row.timecode);
        const auto fields = split(row.probed, ',');
        EXPECT_EQ(commandOutput("mediainfo --Inform='Audio;%SamplingRate% %Channels% %BitDepth% "
                                "%Duration%' " +
                                shellQuote(movie)),
                  fields[0] + " " + fields[1] + " " + fields[2] + " 1000\n");

        EXPECT_EQ(std::system(("xmllint --noout " + shellQuote(out("list.xml"))).c_str()), 0);

        // The row holds the record's values, as bwf-info reads them from the same file.
        const auto lines = split(readText(out("list.txt")), '\r');
        ASSERT_EQ(lines.size(), 2u);
        const auto columns = split(lines[1] + "\t", '\t');
        ASSERT_EQ(columns.size(), 12u) << lines[1];
        std::vector<std::string> infoArgs = prefs.option();
        infoArgs.insert(infoArgs.end(), row.settings.begin(), row.settings.end());
        infoArgs.insert(infoArgs.end(), {"bwf-info", file, "--json"});
        const std::string json = runKorvel(infoArgs).out;
        const char* keys[] = {"Name",      "Tracks",    "Media Start", "Media End",
                              "Reel",      "Log Note",  "Scene",       "Shot/Take",
                              "Comment 1", "Comment 2", "Comment 4",   "Description"};
        for (std::size_t i = 0; i < 12; ++i) {
            if (std::string(keys[i]) == "Media End") {
                continue; // the import's: the end of the movie
            }
            EXPECT_NE(json.find("\"" + std::string(keys[i]) + "\": \"" + columns[i] + "\""),
                      std::string::npos)
                << keys[i] << " = " << columns[i] << " in " << json;
        }
    }
}

std::string xpath(const std::string& file, const std::string& expression) {
    std::string value =
        commandOutput("xmllint --xpath " + shellQuote(expression) + " " + shellQuote(file));
    while (!value.empty() && value.back() == '\n') {
        value.pop_back();
    }
    return value;
}

// The path a file URL names: "file://localhost" taken off, %XX decoded.
std::string pathOfFileUrl(const std::string& url) {
    const std::string prefix = "file://localhost";
    if (url.rfind(prefix, 0) != 0) {
        return {};
    }
    std::string path;
    for (std::size_t i = prefix.size(); i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            path += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

// With BWFXMLFormat "xmeml 5" the list is the sequence an editing system imports: one track per
// channel, a clipitem per channel, the file found at its path URL, the start frame counted at
// the chosen rate.
TEST_F(Bwf2qtCommandTest, XmemlListAsXmllintReadsIt) {
    if (!haveProgram("xmllint")) {
        GTEST_SKIP() << "xmllint judges the list";
    }
    struct Row {
        std::vector<Recording> sources; // two: a channel pair
        std::vector<std::string> settings;
        std::string movie;
        int channels;
        std::string timebase;
        std::string ntsc;
        std::string displayformat;
        std::string frame;
        std::string duration; // one second of sound in whole frames
        std::string depth;
        std::string samplerate;
    };
    const Row rows[] = {
        {{{"MONO 16", 1, 48000, 16, 48000ull * 3600, "sTAPE=R01\r\n"}},
         {},
         "MONO 16.mov",
         1,
         "25",
         "FALSE",
         "NDF",
         "90000",
         "25",
         "16",
         "48000"},
        {{{"ST24", 2, 48000, 24, 48000ull * 60, "sTAPE=R02\r\n"}},
         {"--bwf-fps", "NTSC DF"},
         "ST24.mov",
         2,
         "30",
         "TRUE",
         "DF",
         "1798",
         "29",
         "24",
         "48000"},
        {{{"ABC123_1", 1, 48000, 16, 48000ull * 10, "sTAPE=R03\r\n"},
          {"ABC123_2", 1, 48000, 16, 48000ull * 10, "sTAPE=R03\r\n"}},
         {"--set", "BWFMergeTracks=Ch. 1 & 2", "--bwf-fps", "24 fps"},
         "ABC123P1.mov",
         2,
         "24",
         "FALSE",
         "NDF",
         "240",
         "24",
         "16",
         "48000"},
        {{{"REDUCED", 2, 96000, 24, 96000ull * 36000, "sTAPE=R04\r\n"}},
         {"--set", "button24to16=true", "--set", "BWFSampleRate=44100 kHz", "--bwf-fps",
          "NTSC NDF"},
         "REDUCED.mov",
         2,
         "30",
         "TRUE",
         "NDF",
         "1078921",
         "29",
         "16",
         "44100"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.movie);
        std::vector<std::string> arguments;
        for (const Recording& source : row.sources) {
            arguments.push_back(write(source.name + ".wav", recording(source, 1.0)));
        }
        arguments.insert(arguments.end(), {"--xml", out("list.xml"), "--on-exists", "replace"});
        std::vector<std::string> settings = row.settings;
        settings.insert(settings.end(), {"--set", "BWFXMLFormat=xmeml 5"});
        const CommandResult result = bwf2qt(arguments, settings);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        const std::string list = out("list.xml");
        ASSERT_EQ(std::system(("xmllint --noout " + shellQuote(list)).c_str()), 0);

        const std::string channels = std::to_string(row.channels);
        const std::string file = "/xmeml/sequence/media/audio/track[1]/clipitem[1]/file";
        const std::pair<std::string, std::string> checks[] = {
            {"string(/xmeml/@version)", "5"},
            {"string(/xmeml/sequence/name)", "list"},
            {"count(/xmeml/sequence/media/audio/track)", channels},
            {"count(//clipitem)", channels},
            {"count(//clipitem/file[pathurl])", "1"},
            {"count((//clipitem)[1]/link)", channels},
            {"string(" + file + "/rate/timebase)", row.timebase},
            {"string(" + file + "/rate/ntsc)", row.ntsc},
            {"string(" + file + "/duration)", row.duration},
            {"string(" + file + "/timecode/frame)", row.frame},
            {"string(" + file + "/timecode/displayformat)", row.displayformat},
            {"string(" + file + "/timecode/rate/timebase)", row.timebase},
            {"string(" + file + "/timecode/reel/name)", row.sources[0].description.substr(6, 3)},
            {"string(" + file + "/media/audio/samplecharacteristics/depth)", row.depth},
            {"string(" + file + "/media/audio/samplecharacteristics/samplerate)", row.samplerate},
            {"string(" + file + "/media/audio/channelcount)", channels},
        };
        for (const auto& [expression, expected] : checks) {
            EXPECT_EQ(xpath(list, expression), expected) << expression;
        }
        const std::string url = xpath(list, "string(" + file + "/pathurl)");
        EXPECT_EQ(url.find(' '), std::string::npos) << url;
        EXPECT_EQ(pathOfFileUrl(url), out(row.movie));
        EXPECT_TRUE(fs::exists(pathOfFileUrl(url))) << url;
    }
}

// The default list is the clip list, whatever the other XML choice would write.
TEST_F(Bwf2qtCommandTest, ClipListStaysTheDefault) {
    const std::string file =
        write("T1.wav", recording({"T1", 1, 48000, 16, 48000ull * 3600, "sTAPE=R1\r\n"}, 1.0));
    ASSERT_EQ(bwf2qt({file, "--xml", out("list.xml")}).exitStatus, 0);
    const std::string text = readText(out("list.xml"));
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<!DOCTYPE xmeml>\r"
                         "<xmeml version=\"0.5\">\r",
                         0),
              0u);
}

// A time reference of a day or more (a recorder left running, a clock set wrong) gives one time
// of day in bwf-info, the batch list, the XML list and the movie's timecode track.
TEST_F(Bwf2qtCommandTest, StartsPastMidnightAreOneTimeOfDayEverywhere) {
    struct Row {
        const char* name;
        std::uint64_t timeReference;
        const char* bwfFps;
        const char* start;
        const char* timebase; // the XML list's timebase and ntsc
    };
    const Row rows[] = {
        {"DAY25", 48000ull * 3600 * 25, "PAL", "01:00:00:00", "25 FALSE"},
        {"DAY100", 48000ull * (100 * 3600 + 30 * 60), "PAL", "04:30:00:00", "25 FALSE"},
        {"FILM", 48000ull * 3600 * 24 + 2000, "24 fps", "00:00:00:01", "24 FALSE"},
        {"NDF26", 48048ull * 3600 * 26, "NTSC NDF", "02:00:00:00", "30 TRUE"},
        {"DF25", 2697300ull * 16016 / 10, "NTSC DF", "01:00:00;00",
         "30 TRUE"}, // frame 2589408 + 107892
        {"S2398", 864000ull * 2002, "23.976 fps", "10:00:00:00", "24 TRUE"},
        {"S50", 48000ull * 3600 * 27 + 960, "50 fps", "03:00:00:01", "50 FALSE"},
        {"DF5994", 5394600ull * 8008 / 10, "59.94 DF", "01:00:00;00",
         "60 TRUE"}, // 5178816 + 215784
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string file =
            write(std::string(row.name) + ".wav",
                  recording({row.name, 1, 48000, 16, row.timeReference, "sTAPE=T\r\n"}, 0.1));
        const std::string movie = out(std::string(row.name) + ".mov");
        const CommandResult result = bwf2qt({file, "--batch-list", out("list.txt"), "--xml",
                                             out("list.xml"), "--on-exists", "replace"},
                                            {"--bwf-fps", row.bwfFps});
        ASSERT_EQ(result.exitStatus, 0) << result.err;

        const CommandResult info =
            runKorvel(prefs.with({"--bwf-fps", row.bwfFps, "bwf-info", file}));
        EXPECT_NE(info.out.find("Timecode start: " + std::string(row.start) + " @"),
                  std::string::npos)
            << info.out;
        const auto lines = split(readText(out("list.txt")), '\r');
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(split(lines[1], '\t').at(2), row.start);
        EXPECT_NE(readText(out("list.xml")).find("<string>" + std::string(row.start) + "</string>"),
                  std::string::npos);
        const std::string xml = readText(out("list.xml"));
        const auto timebase = std::string(row.timebase);
        EXPECT_NE(xml.find("<timebase>" + timebase.substr(0, timebase.find(' ')) +
                           "</timebase>\r"
                           "\t\t\t<ntsc>" +
                           timebase.substr(timebase.find(' ') + 1) + "</ntsc>"),
                  std::string::npos)
            << xml;
        EXPECT_EQ(runKorvel(prefs.with({"tc", "read", movie})).out,
                  std::string(row.start) + "\nT\n");
        if (haveProgram("ffprobe")) {
            EXPECT_EQ(probeTimecode(movie).timecode, row.start);
        }
    }
}

TEST_F(Bwf2qtCommandTest, FlagsAnswerTheQuestions) {
    const std::string a = write("A01.wav", recording({"A01", 1, 48000, 16, 0, "sTAPE=A\r\n"}, 0.1));
    const std::string plain = write("B02.wav", recording({"B02", 1, 48000, 16, 0, ""}, 0.1, false));
    const std::string c = write("C03.wav", recording({"C03", 1, 48000, 16, 0, "sTAPE=C\r\n"}, 0.1));

    // No bext: skipped without a person (exit 0), or the end of converting with "abort".
    const CommandResult skipped = bwf2qt({a, plain, c, "--batch-list", out("l.txt")});
    EXPECT_EQ(skipped.exitStatus, 0) << skipped.err;
    EXPECT_EQ(skipped.out, out("A01.mov") + "\n" + out("C03.mov") + "\n");
    EXPECT_NE(skipped.err.find("The File: B02.wav is apparently not a BWF File.: The File does "
                               "not contain a Bext Chunk!"),
              std::string::npos)
        << skipped.err;
    EXPECT_NE(skipped.err.find("Creating Batch List..."), std::string::npos);
    EXPECT_EQ(skipped.err.find("Creating XML List..."), std::string::npos);
    fs::remove(out("A01.mov"));
    fs::remove(out("C03.mov"));
    const CommandResult stopped = bwf2qt({a, plain, c, "--on-missing-bext", "abort", "--batch-list",
                                          out("l.txt"), "--on-exists", "replace"});
    EXPECT_EQ(stopped.exitStatus, 1);
    EXPECT_EQ(stopped.out, out("A01.mov") + "\n");
    EXPECT_FALSE(fs::exists(out("C03.mov")));
    EXPECT_EQ(split(readText(out("l.txt")), '\r').size(), 2u); // the header and A01

    // An existing movie: skipped without a person, replaced, or the end of the run.
    const auto size = fs::file_size(out("A01.mov"));
    writeFile(out("A01.mov"), {'o', 'l', 'd'});
    EXPECT_EQ(bwf2qt({a}).exitStatus, 0);
    EXPECT_EQ(fs::file_size(out("A01.mov")), 3u);
    const CommandResult aborted = bwf2qt({a, c, "--on-exists", "abort"});
    EXPECT_EQ(aborted.exitStatus, 1);
    EXPECT_EQ(aborted.err.find("Ending bwf2qt..."), std::string::npos);
    EXPECT_FALSE(fs::exists(out("C03.mov")));
    EXPECT_EQ(bwf2qt({a, "--on-exists", "replace"}).exitStatus, 0);
    EXPECT_EQ(fs::file_size(out("A01.mov")), size);

    // A list that exists is left alone unless replacing is asked for.
    writeFile(out("keep.txt"), {'k'});
    EXPECT_EQ(bwf2qt({c, "--batch-list", out("keep.txt")}).exitStatus, 0);
    EXPECT_EQ(fs::file_size(out("keep.txt")), 1u);
}

TEST_F(Bwf2qtCommandTest, BwfExtensionWithoutTypeCode) {
    const std::string file = write("T01.BWF", recording({"T01", 2, 48000, 24, 0, ""}, 0.1));
    const CommandResult refused = bwf2qt({file});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_NE(refused.err.find("The BWF File: " + file + " lacks a Wave Type Code."),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(out("T01.mov")));

    const CommandResult fixed = bwf2qt({file, "--fix-type-code"});
    if (fixed.err.find("Unable to set Type Code") != std::string::npos) {
        GTEST_SKIP() << "the temporary folder keeps no extended attributes";
    }
    EXPECT_EQ(fixed.exitStatus, 0) << fixed.err;
    EXPECT_NE(fixed.err.find("Changed the Type Code of file: " + file + " to Wave."),
              std::string::npos);
    EXPECT_TRUE(fs::exists(out("T01.mov")));
}

} // namespace
} // namespace korvel::test
