// SPDX-License-Identifier: MIT
#pragma once

#include "app/conversion_commands.h"
#include "app/log_controller.h"
#include "movie/bwf_info.h"
#include "platform/file_attributes.h"
#include "platform/preference_store.h"
#include "platform/user_interface.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

/// What the bwf2qt command works with. The lists are written by the platform's atomic text
/// writer unless a test replaces it.
struct Bwf2qtContext {
    UserInterface& ui;
    PreferenceStore& prefs;
    FileAttributes& fileAttributes;
    KTLogController& log;
    std::string homeDirectory;
    std::function<Status(const std::string& path, std::string_view text)> writeText;
};

/// How a run of bwf2qt went, for a front end that reports it (the command line's exit status).
struct Bwf2qtReport {
    CommandOutcome outcome = CommandOutcome::Done;
    /// The movies written, in order.
    std::vector<std::string> movies;
    /// Outputs left alone because they existed and the person chose to skip them.
    int skippedExisting = 0;
    /// Files (or pairs) without a bext chunk.
    int withoutBext = 0;
    /// Imports that failed (files that are not WAVE files among them).
    int failed = 0;
    /// What the person should know about movies that were written: samples cut short, a data
    /// size the file could not hold. One line each, also in the log.
    std::vector<std::string> warnings;
};

/// The batch-list header line for "BatchListHeaderLanguish" and "ale2fcpFCPvers", with its "\r";
/// empty for a language that has none.
std::string bwf2qtBatchListHeader(std::string_view language, std::string_view fcpVersion);

/// One batch-list row from an information record: the twelve column keys, tab-separated, ended
/// by "\r".
std::string bwf2qtBatchListRow(const BwfInfo& info);

/// Channel A's number of a "BWFMergeTracks" value ("Ch. 3 & 4" gives 3); 0 for "None" and any
/// value that names no pair.
int bwf2qtChannelA(std::string_view mergeTracks);

/// The rule a channel pair is merged by, for the help text: which file names are paired, and
/// what the two files must be.
inline constexpr std::string_view kBwf2qtPairingRule =
    "With BWFMergeTracks set to a pair (\"Ch. 1 & 2\" ... \"Ch. 7 & 8\"), a file whose name\n"
    "without extension has at least 8 characters and ends, from its 8th character on, in the\n"
    "channel-A number (ABC123_1.wav) is merged with the file of the same first 7 characters,\n"
    "the channel-B number and the same extension in the same folder (ABC123_2.wav) into\n"
    "ABC123P1.mov, A left and B right, lined up by their bext time references. Both must be\n"
    "mono WAVE files with bext chunks, of the same sample rate and sample size, whose\n"
    "recordings overlap in time; files that miss this are converted one by one, and the log\n"
    "says why.";

/// One conversion of the run: a file alone, or a channel-A file with its channel-B partner.
struct Bwf2qtJob {
    std::string file;
    std::string partner; // empty for a file alone
    /// How many of the chosen files the job takes (a partner that was not chosen is not counted).
    int chosenFiles = 1;
};

/// The run's conversions for the chosen files under "BWFMergeTracks" channel A `channelA` (0: no
/// pairs): the pairs first, then the files alone. `exists` says whether a partner is on disk.
std::vector<Bwf2qtJob> bwf2qtJobs(std::vector<std::string> files, int channelA,
                                  const std::function<bool(const std::string&)>& exists);

/// The movie a job writes in `destination`: the file's name with ".mov", or for a pair
/// ("ABC123_1.wav" with "ABC123_2.wav") the shared name with "P" and channel A ("ABC123P1.mov").
std::string bwf2qtMovieName(const Bwf2qtJob& job, const std::string& destination);

/// The files a run reads and the movies it writes, in the order of its conversions.
struct Bwf2qtFiles {
    std::vector<std::string> inputs;
    std::vector<std::string> movies;
};

/// What a run over the chosen `files` into `destination` under "BWFMergeTracks" `mergeTracks`
/// reads and writes, for a front end that must keep its own outputs off them.
Bwf2qtFiles bwf2qtFiles(const std::vector<std::string>& files, const std::string& destination,
                        std::string_view mergeTracks);

/// The bwf2qt command (`clickGotoTC`): BWF files and a destination folder in two open panels;
/// the type-code check of ".BWF" files; one movie per file or per channel pair, with the
/// existing-file question and the missing-bext alert; then the batch list and the XML list, each
/// offered in a save panel when its preference is on.
Bwf2qtReport clickGotoTC(Bwf2qtContext& context);

} // namespace korvel
