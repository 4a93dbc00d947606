// SPDX-License-Identifier: MIT
// korvel tc check|read|add|delete MOVIE: a movie's timecode track, under the stored TV system
// ("TVSys") and drop frame ("DF").
#include "cli/tc_command.h"

#include "app/timecode_commands.h"
#include "cli/session.h"

#include <iostream>
#include <memory>

namespace korvel {
namespace {

struct TcArguments {
    std::string movie;
    std::string tc;
    std::string reel;
    bool replace = false;
};

// A file that cannot be read as a movie is a failure, never "no": a script must tell a movie
// without timecode from a movie it could not read.
int couldNotRead(const TcArguments& args, const Error& error) {
    std::cerr << "korvel: could not read the movie " << args.movie << ": " << error.message << '\n';
    return kExitFailed;
}

MovieTimecodeCommands movieCommands(Session& session) {
    return MovieTimecodeCommands(session.console(), session.ui(), session.prefs());
}

int check(Session& session, const TcArguments& args) {
    const auto has = movieCommands(session).check(args.movie);
    if (!has)
        return couldNotRead(args, has.error());
    std::cout << (*has ? "yes" : "no") << '\n';
    return kExitDone;
}

int read(Session& session, const TcArguments& args) {
    const auto reading = movieCommands(session).read(args.movie);
    if (!reading)
        return couldNotRead(args, reading.error());
    std::cout << (reading->start.empty() ? "no timecode" : reading->start) << '\n'
              << reading->reelName << '\n';
    return kExitDone;
}

// Why the change of `movie` did not happen, or that it happened but is not confirmed on disk.
int reportFailure(const std::string& movie, const std::string& change, const Error& error) {
    switch (error.kind) {
    case ErrorKind::InUse:
        std::cerr << "korvel: " << error.message
                  << "; nothing was changed, try again when it is done\n";
        break;
    case ErrorKind::Unconfirmed:
        std::cerr << "korvel: " << movie
                  << " was changed, but the change may not be on the disk yet: " << error.message
                  << '\n';
        break;
    case ErrorKind::InvalidRequest:
        std::cerr << "korvel: " << error.message << "; nothing was changed\n";
        break;
    case ErrorKind::HasTimecodeTrack:
        std::cerr << "korvel: " << movie
                  << " already has a timecode track; delete it first or add with --replace\n";
        break;
    case ErrorKind::Failed:
        std::cerr << "korvel: could not " << change << " " << movie << ": " << error.message
                  << '\n';
        break;
    }
    return kExitFailed;
}

int add(Session& session, const TcArguments& args) {
    if (!requireStoredTvSystem(session)) {
        return kExitFailed;
    }
    const auto note = [](const std::string& line) { std::cerr << "korvel: " << line << '\n'; };
    if (auto status =
            movieCommands(session).add(args.movie, args.tc, args.reel, args.replace, note);
        !status) {
        return reportFailure(args.movie, "add a timecode track to", status.error());
    }
    return kExitDone;
}

int remove(Session& session, const TcArguments& args) {
    if (auto status = movieCommands(session).remove(args.movie); !status) {
        return reportFailure(args.movie, "delete the timecode track of", status.error());
    }
    return kExitDone;
}

} // namespace

void addTcCommands(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<TcArguments>();
    CLI::App* tc = app.add_subcommand("tc", "Check, read, add or delete a movie's timecode track");
    tc->require_subcommand(1);
    tc->footer(
        "Only the movie header is rewritten, never the media; an interrupted change leaves the\n"
        "movie as it was before or after.\n"
        "Examples:\n"
        "  korvel tc check A001.mov                                  -> yes\n"
        "  korvel tc read A001.mov                                   -> 01:00:00:00, A001\n"
        "  korvel --tv PAL tc add A001.mov --tc 01:00:00:00 --reel A001\n"
        "  korvel --tv NTSC --df tc add B.mov --tc '01:00:00;00' --reel B --replace\n"
        "  korvel tc delete A001.mov");

    CLI::App* checkCommand =
        tc->add_subcommand("check", "Print \"yes\" when the movie has a timecode track, else "
                                    "\"no\" (exit 1 when it cannot be read)");
    checkCommand->add_option("MOVIE", args->movie, "the movie file")->required();
    table.add(checkCommand, [args](Session& session) { return check(session, *args); });

    CLI::App* readCommand = tc->add_subcommand(
        "read",
        "Print the start timecode (or \"no timecode\") and the reel name (or \"No Source ID\")");
    readCommand->add_option("MOVIE", args->movie, "the movie file")->required();
    readCommand->footer(
        "Line 1: the start timecode of the first timecode track, or \"no timecode\".\n"
        "Line 2: its reel name; an empty line when the track carries an empty name,\n"
        "\"No Source ID\" when the movie has no timecode track.\n"
        "Exit status 1 when the file is missing, unreadable or not a movie.");
    table.add(readCommand, [args](Session& session) { return read(session, *args); });

    CLI::App* addCommand =
        tc->add_subcommand("add", "Add a timecode track starting at --tc with reel name --reel (TV "
                                  "system and DF from the store)");
    addCommand->add_option("MOVIE", args->movie, "the movie file")->required();
    addCommand->add_option("--tc", args->tc, "start timecode, HH:MM:SS:FF (HH:MM:SS;FF drop frame)")
        ->required();
    addCommand->add_option("--reel", args->reel, "reel (tape) name, at most 255 bytes");
    addCommand->add_flag("--replace", args->replace,
                         "replace the movie's timecode tracks in the same update");
    table.add(addCommand, [args](Session& session) { return add(session, *args); });

    CLI::App* deleteCommand =
        tc->add_subcommand("delete", "Remove every timecode track of the movie");
    deleteCommand->add_option("MOVIE", args->movie, "the movie file")->required();
    table.add(deleteCommand, [args](Session& session) { return remove(session, *args); });
}

} // namespace korvel
