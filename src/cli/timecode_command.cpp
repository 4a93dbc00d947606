// SPDX-License-Identifier: MIT
// korvel timecode to-frames|from-frames|from-samples|30to24: timecode arithmetic under the
// stored TV system ("TVSys", "DF") and BWF frame rate ("BWFfpsRate").
#include "app/preference_keys.h"
#include "cli/command_table.h"
#include "cli/session.h"
#include "timecode/frames2tc.h"
#include "timecode/tc30totc24.h"
#include "timecode/timecode.h"

#include <charconv>
#include <iostream>
#include <memory>

namespace korvel {
namespace {

struct TimecodeArguments {
    std::string text;
    std::string number;
    std::int32_t sampleRate = 0;
};

std::optional<TvSystem> storedTvSystem(Session& session) {
    const std::string name = session.prefs().stringOrEmpty(prefkey::kTVSys);
    const auto system = tvSystemFromName(name);
    if (!system) {
        std::cerr << "korvel: the TV system \"" << name << "\" is not one of "
                  << TvSystem::choicesText() << " (set it with --tv)\n";
    }
    return system;
}

template <class Integer> std::optional<Integer> parseInteger(std::string_view text) {
    Integer value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

int toFrames(Session& session, const TimecodeArguments& args) {
    const auto system = storedTvSystem(session);
    if (!system) {
        return kExitFailed;
    }
    const auto timeCode = TimeCode::parse(args.text, *system);
    if (!timeCode) {
        std::cerr << "korvel: \"" << args.text << "\" is not a " << tvSystemName(*system)
                  << " timecode (HH:MM:SS:FF, or HH:MM:SS;FF for drop frame)\n";
        return kExitFailed;
    }
    // The text alone says whether it is drop frame, where the system counts that way.
    const TimeCodeDef def = system->timeCodeDef(timeCode->dropFrame());
    std::cout << frameNumber(timeCode->record(), def) << '\n';
    return kExitDone;
}

int fromFrames(Session& session, const TimecodeArguments& args) {
    const auto system = storedTvSystem(session);
    if (!system) {
        return kExitFailed;
    }
    const auto number = parseInteger<std::int64_t>(args.number);
    if (!number) {
        std::cerr << "korvel: \"" << args.number << "\" is not a frame number\n";
        return kExitFailed;
    }
    const TimeCodeDef def = system->timeCodeDef(session.prefs().boolean(prefkey::kDF));
    std::cout << timeCodeText(timeCodeRecord(*number, def), def.dropFrame()) << '\n';
    return kExitDone;
}

int fromSamples(Session& session, const TimecodeArguments& args) {
    const auto position = parseInteger<std::uint64_t>(args.number);
    if (!position) {
        std::cerr << "korvel: \"" << args.number << "\" is not a sample position (0 to 2^64-1)\n";
        return kExitFailed;
    }
    std::cout << frames2tc(*position, args.sampleRate,
                           session.prefs().stringOrEmpty(prefkey::kBWFfpsRate))
              << '\n';
    return kExitDone;
}

int thirtyToTwentyFour(const TimecodeArguments& args) {
    const auto converted = tc30totc24(args.text);
    if (!converted) {
        std::cerr << "korvel: \"" << args.text
                  << "\" is not a 30 fps timecode (HH:MM:SS:FF with frames 00 to 29)\n";
        return kExitFailed;
    }
    std::cout << *converted << '\n';
    return kExitDone;
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
    table.add(fromSamplesCommand, [args](Session& session) { return fromSamples(session, *args); });

    CLI::App* convertCommand =
        timecode->add_subcommand("30to24", "24 fps timecode of a 30 fps timecode (frames x 4/5)");
    convertCommand->add_option("TC", args->text, "30 fps timecode")->required();
    table.add(convertCommand, [args](Session&) { return thirtyToTwentyFour(*args); });
}

} // namespace korvel
