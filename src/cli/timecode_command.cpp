// SPDX-License-Identifier: MIT
// korvel timecode to-frames|from-frames|from-samples|30to24: timecode arithmetic under the
// stored TV system ("TVSys", "DF") and BWF frame rate ("BWFfpsRate").
#include "app/timecode_commands.h"
#include "cli/command_table.h"
#include "cli/session.h"

#include <iostream>
#include <memory>

namespace korvel {
namespace {

struct TimecodeArguments {
    std::string text;
    std::string number;
    std::int32_t sampleRate = 0;
};

// Prints the answer, or the reason there is none.
template <class T> int answer(const Result<T>& result) {
    if (!result) {
        std::cerr << "korvel: " << result.error().message << '\n';
        return kExitFailed;
    }
    std::cout << *result << '\n';
    return kExitDone;
}

int toFrames(Session& session, const TimecodeArguments& args) {
    if (!requireStoredTvSystem(session)) {
        return kExitFailed;
    }
    return answer(framesOfTimecode(session.prefs(), args.text));
}

int fromFrames(Session& session, const TimecodeArguments& args) {
    if (!requireStoredTvSystem(session)) {
        return kExitFailed;
    }
    return answer(timecodeOfFrames(session.prefs(), args.number));
}

} // namespace

void addTimecodeCommands(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<TimecodeArguments>();
    CLI::App* timecode = app.add_subcommand(
        "timecode", "Timecode arithmetic under the stored TV system and BWF frame rate");
    timecode->require_subcommand(1);
    timecode->footer("Examples:\n"
                     "  korvel timecode to-frames 01:00:00:00 --tv PAL        -> 90000\n"
                     "  korvel timecode from-frames 17982 --tv NTSC --df      -> 00:10:00;00\n"
                     "  korvel timecode from-samples 172800000 --rate 48000   -> 01:00:00:00\n"
                     "  korvel timecode 30to24 01:02:03:29                    -> 01:02:03:23");

    CLI::App* toFramesCommand =
        timecode->add_subcommand("to-frames", "Frame number of a timecode (drop frame when NTSC or "
                                              "59.94 text has ';' before the frames)");
    toFramesCommand->add_option("TC", args->text, "timecode, HH:MM:SS:FF or HH:MM:SS;FF")
        ->required();
    table.add(toFramesCommand, [args](Session& session) { return toFrames(session, *args); });

    CLI::App* fromFramesCommand = timecode->add_subcommand(
        "from-frames",
        "Timecode of a frame number (drop frame when NTSC or 59.94 and \"DF\" is on)");
    fromFramesCommand->add_option("N", args->number, "frame number counted from 00:00:00:00")
        ->required();
    table.add(fromFramesCommand, [args](Session& session) { return fromFrames(session, *args); });

    CLI::App* fromSamplesCommand = timecode->add_subcommand(
        "from-samples", "Start timecode of a BWF sample position at the \"BWFfpsRate\" frame rate");
    fromSamplesCommand->add_option("POS", args->number, "sample position (the bext time reference)")
        ->required();
    fromSamplesCommand->add_option("--rate", args->sampleRate, "samples per second")->required();
    table.add(fromSamplesCommand, [args](Session& session) {
        return answer(timecodeOfSamples(session.prefs(), args->number, args->sampleRate));
    });

    CLI::App* convertCommand =
        timecode->add_subcommand("30to24", "24 fps timecode of a 30 fps timecode (frames x 4/5)");
    convertCommand->add_option("TC", args->text, "30 fps timecode")->required();
    table.add(convertCommand, [args](Session&) { return answer(timecode24Of30(args->text)); });
}

} // namespace korvel
