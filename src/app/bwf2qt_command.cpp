// SPDX-License-Identifier: MIT
#include "app/bwf2qt_command.h"

#include "app/preference_keys.h"
#include "movie/bwf_import.h"
#include "movie/bwf_reader.h"
#include "platform/path_names.h"
#include "platform/text_file.h"
#include "shotlog/tab_fields.h"
#include "shotlog/xmeml_export.h"
#include "shotlog/xml_export.h"
#include "timecode/tv_system.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

namespace korvel {
namespace {

constexpr std::string_view kProgressTitle = "bwf2qt";

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    });
    return text;
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The job's file names as the alerts show them: "A.wav", or "A_1.wav and A_2.wav".
std::string jobNames(const Bwf2qtJob& job) {
    const std::string name = fileNameOf(job.file);
    return job.partner.empty() ? name : name + " and " + fileNameOf(job.partner);
}

// The run of one command: the choices read once, the lists, and what happened.
class Bwf2qtRun {
  public:
    explicit Bwf2qtRun(Bwf2qtContext& context) : m_context(context), m_ui(context.ui) {}

    Bwf2qtReport run();

  private:
    enum class Step { Next, Skip, StopConverting, Abort };

    std::optional<std::vector<std::string>> chooseFiles();
    void readChoices();
    void convertAll(const std::vector<Bwf2qtJob>& jobs, int total, bool pairsMode);
    bool checkTypeCodes(const std::vector<std::string>& files);
    Step convert(const Bwf2qtJob& job, int position, int total, bool pairsMode);
    Step reportFailure(const Bwf2qtJob& job, const Error& error);
    Step reportMissingBext(const Bwf2qtJob& job);
    void addToLists(const Bwf2qtJob& job, const std::string& movie, const BwfInfo& info);
    Step convertOneByOne(const Bwf2qtJob& job, int position, int total);
    BwfImportOptions importOptions(const Bwf2qtJob& job) const;
    Step askExisting(const std::string& output);
    void saveLists();
    void addXmlEntry(const BwfInfo& info, const std::string& movie, const BwfFrameRate& used);
    void saveList(const std::string& title, const std::string& extension,
                  const std::function<std::string(const std::string& path)>& textFor,
                  const std::string& failureTitle);
    void log(std::string_view line) { m_context.log.KTAddLogEntry(line); }

    Bwf2qtContext& m_context;
    UserInterface& m_ui;
    Bwf2qtReport m_report;
    std::string m_destination;
    std::optional<BwfFrameRate> m_frameRate;
    BwfImportOptions m_importDefaults;
    std::string m_batchList;
    std::string m_xml;
    bool m_xmeml = false; // "BWFXMLFormat": the xmeml document instead of the clip list
    std::vector<XmemlClip> m_xmemlClips;
    XmlTimebase m_xmemlRate; // the sequence's: its first movie's
    bool m_imported = false;
    bool m_aborted = false; // the person chose "Abort": no list is offered
};

Bwf2qtReport Bwf2qtRun::run() {
    const auto chosen = chooseFiles();
    if (!chosen) {
        log("Ending bwf2qt...");
        m_report.outcome = CommandOutcome::Cancelled;
        return m_report;
    }
    if (!checkTypeCodes(*chosen)) {
        m_report.outcome = CommandOutcome::Failed;
        return m_report;
    }
    readChoices();
    const int channelA = bwf2qtChannelA(m_context.prefs.stringOrEmpty(prefkey::kBWFMergeTracks));
    const int total = static_cast<int>(chosen->size());
    m_ui.progress().begin(std::string(kProgressTitle), total);
    convertAll(bwf2qtJobs(*chosen, channelA, fileExists), total, channelA != 0);
    if (m_aborted) {
        m_ui.progress().end();
        return m_report;
    }
    if (m_imported) {
        saveLists();
    }
    log("Ending bwf2qt...");
    m_ui.progress().end();
    return m_report;
}

// The BWF files, then the destination folder (kept in m_destination); nothing when the person
// cancels either panel.
std::optional<std::vector<std::string>> Bwf2qtRun::chooseFiles() {
    OpenPanel files;
    files.title = "Select BWF Files:";
    files.prompt = "Convert";
    files.optionView = "BWFView1";
    files.allowedExtensions = {"BWF", "bwf", "wav", "WAV"};
    files.allowedTypeCodes = {"WAVE"};
    files.startFolder = m_context.homeDirectory;
    files.allowsMultipleSelection = true;
    auto chosen = m_ui.runOpenPanel(files);
    if (!chosen || chosen->empty()) {
        return std::nullopt;
    }
    OpenPanel folder;
    folder.title = "Select Destination Folder:";
    folder.prompt = "Select";
    folder.startFolder = m_context.homeDirectory;
    folder.chooseFiles = false;
    folder.chooseFolders = true;
    const auto destination = m_ui.runOpenPanel(folder);
    if (!destination || destination->empty()) {
        return std::nullopt;
    }
    m_destination = destination->front();
    return chosen;
}

// The run's choices, read once from the store.
void Bwf2qtRun::readChoices() {
    const PreferenceStore& prefs = m_context.prefs;
    const BwfReadOptions readOptions = bwfReadOptions(prefs);
    m_frameRate = readOptions.bwfFpsRate;
    m_importDefaults.frameRate = readOptions.bwfFpsRate;
    m_importDefaults.bwfTapeIdSelect = readOptions.bwfTapeIdSelect;
    m_importDefaults.linkmedia =
        prefs.stringOrEmpty(prefkey::kBWFMediaConversion) == "Link To BWF Files";
    m_importDefaults.sampleRate = prefs.stringOrEmpty(prefkey::kBWFSampleRate);
    m_importDefaults.bitReduce = prefs.boolean(prefkey::kButton24to16);

    m_batchList = bwf2qtBatchListHeader(prefs.stringOrEmpty(prefkey::kBatchListHeaderLanguish),
                                        prefs.stringOrEmpty(prefkey::kAle2fcpFCPvers));
    m_xml = KTxmlexport::createXMLHeader();
    m_xmeml = prefs.stringOrEmpty(prefkey::kBWFXMLFormat) == bwfxmlformat::kXmeml5;
}

// Every job in turn, until the person aborts, stops converting or cancels between two files.
void Bwf2qtRun::convertAll(const std::vector<Bwf2qtJob>& jobs, int total, bool pairsMode) {
    int done = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const Step step = convert(jobs[i], done + 1, total, pairsMode);
        if (step == Step::Abort || step == Step::StopConverting) {
            m_aborted = step == Step::Abort;
            m_report.outcome = CommandOutcome::Failed;
            return;
        }
        done += jobs[i].chosenFiles;
        if (i + 1 < jobs.size() && m_ui.progress().cancelRequested()) {
            // Between two files: every movie written so far is whole, the rest are not begun.
            log("bwf2qt was cancelled after " + std::to_string(done) + " of " +
                std::to_string(total) + " files: " + jobs[i + 1].file +
                " and the files after it were not converted.");
            m_report.outcome = CommandOutcome::Cancelled;
            return;
        }
    }
}

bool Bwf2qtRun::checkTypeCodes(const std::vector<std::string>& files) {
    const FourCharCode wave = FourCharCode::of("WAVE");
    const FourCharCode tvod = FourCharCode::of("TVOD");
    FileAttributes& attributes = m_context.fileAttributes;
    const bool autoCode = m_context.prefs.boolean(prefkey::kBWFAutoCode);
    for (const std::string& file : files) {
        const std::string extension = extensionOf(file);
        if (extension != ".BWF" && extension != ".bwf") {
            continue;
        }
        if (attributes.typeCode(file) != wave && autoCode) {
            attributes.setTypeAndCreator(file, wave, tvod);
        }
        if (attributes.typeCode(file) == wave) {
            continue;
        }
        m_ui.beep();
        log("The BWF File: " + file + " lacks a Wave Type Code.");
        const int answer = m_ui.runAlert(
            Alert{"Unable to read file!",
                  "The file: " + fileNameOf(file) +
                      " can't be recognized by QuickTime. Do you want to change the Type Code of "
                      "the file so QuickTime can read it?",
                  "Change Type Code",
                  "Abort",
                  {},
                  false,
                  AlertQuestion::FixTypeCode});
        if (answer != kAlertDefault) {
            return false;
        }
        if (attributes.setTypeAndCreator(file, wave, tvod)) {
            log("Changed the Type Code of file: " + file + " to Wave.");
            continue;
        }
        m_ui.beep();
        log("Unable to set Type Code of file: " + file + ".");
        m_ui.runAlert(Alert{"Unable to set Type Code!",
                            "The Type Code of file: " + fileNameOf(file) +
                                " can't be set. If your files are located on a non-writeable disk "
                                "(eg. CD or DVD), please copy them to a local hard drive and try "
                                "again.",
                            "Abort",
                            {},
                            {},
                            false});
        return false;
    }
    return true;
}

Bwf2qtRun::Step Bwf2qtRun::askExisting(const std::string& output) {
    if (!fileExists(output)) {
        return Step::Next;
    }
    m_ui.beep();
    const int answer = m_ui.runAlert(
        Alert{"File Alreay Exists!",
              "The File: " + fileNameOf(output) + " already exists in the Destination Folder.",
              "Skip File", "Replace", "Abort", false, AlertQuestion::OutputExists});
    if (answer == kAlertOther) {
        return Step::Abort;
    }
    if (answer == kAlertDefault) {
        ++m_report.skippedExisting;
        return Step::Skip;
    }
    return Step::Next;
}

BwfImportOptions Bwf2qtRun::importOptions(const Bwf2qtJob& job) const {
    BwfImportOptions options = m_importDefaults;
    options.inputFile = job.file;
    options.destFile = bwf2qtMovieName(job, m_destination);
    options.importTwoFiles = !job.partner.empty();
    options.secondImportFile = options.importTwoFiles ? job.partner : job.file;
    options.progress = [this](std::uint64_t bytesDone, std::uint64_t bytesTotal) {
        m_ui.progress().fileProgress(bytesDone, bytesTotal);
    };
    return options;
}

// A pair that misses the pairing rule: each chosen file becomes a movie of its own.
Bwf2qtRun::Step Bwf2qtRun::convertOneByOne(const Bwf2qtJob& job, int position, int total) {
    const Step first = convert({job.file, {}, 1}, position, total, true);
    if (job.chosenFiles < 2 || first == Step::Abort || first == Step::StopConverting) {
        return first;
    }
    return convert({job.partner, {}, 1}, position + 1, total, true);
}

Bwf2qtRun::Step Bwf2qtRun::convert(const Bwf2qtJob& job, int position, int total, bool pairsMode) {
    // A channel-A file without bext gets the pair's missing-bext question instead.
    if (!job.partner.empty() && bwfTimeReference(job.file)) {
        if (auto plan = planChannelPair(job.file, job.partner); !plan) {
            log(fileNameOf(job.file) + " and " + fileNameOf(job.partner) +
                " are converted one by one, not as a pair: " + plan.error().message + ".");
            return convertOneByOne(job, position, total);
        }
    }
    const std::string line1 = "Converting BWF File: " + fileNameOf(job.file);
    const std::string line2 = "Converting " + std::to_string(position) + " out of " +
                              std::to_string(total) + (pairsMode ? " files" : " Files");
    const double after = position - 1 + job.chosenFiles;
    m_ui.progress().update(position - 1, line1, line2);
    if (!pairsMode) {
        log("Converting BWF File: " + job.file + "...");
    }

    BwfImportOptions options = importOptions(job);
    const bool existed = fileExists(options.destFile);
    switch (askExisting(options.destFile)) {
    case Step::Abort:
        return Step::Abort;
    case Step::Skip:
        m_ui.progress().update(after, line1, line2);
        return Step::Next;
    default:
        break;
    }
    // Only the file the person chose to replace may be replaced; one that another run puts
    // there meanwhile is left alone and this conversion fails.
    options.existing = existed ? ExistingTarget::Replace : ExistingTarget::Keep;

    m_imported = true;
    auto info = ZAN_ImportFile(
        options, [this](std::string_view line) { log(line); }, &m_context.fileAttributes,
        [this](std::string_view line) { m_report.warnings.emplace_back(line); });
    m_ui.progress().update(after, line1, line2);
    if (!info) {
        return reportFailure(job, info.error());
    }
    if (info->value(bwfkey::kContainsBext) == "NO") {
        return reportMissingBext(job);
    }
    addToLists(job, options.destFile, *info);
    return Step::Next;
}

// The import wrote nothing: say so, and let the person go on or stop.
Bwf2qtRun::Step Bwf2qtRun::reportFailure(const Bwf2qtJob& job, const Error& error) {
    const bool pair = !job.partner.empty();
    ++m_report.failed;
    m_ui.beep();
    log("Unable to convert " + (pair ? job.file + " and " + job.partner : job.file) + ": " +
        error.message);
    const int answer =
        m_ui.runAlert(Alert{pair ? "Unable to convert files!" : "Unable to convert file!",
                            (pair ? "The files: " : "The File: ") + jobNames(job) +
                                " could not be converted: " + error.message + ".",
                            pair ? "Skip files" : "Skip File",
                            "Abort",
                            {},
                            false});
    return answer == kAlertDefault ? Step::Next : Step::StopConverting;
}

Bwf2qtRun::Step Bwf2qtRun::reportMissingBext(const Bwf2qtJob& job) {
    const bool pair = !job.partner.empty();
    ++m_report.withoutBext;
    m_ui.beep();
    const int answer =
        m_ui.runAlert(Alert{pair ? "The files: " + jobNames(job) + " are apparently not BWF files."
                                 : "The File: " + jobNames(job) + " is apparently not a BWF File.",
                            pair ? "The files does not contain a Bext Chunk!"
                                 : "The File does not contain a Bext Chunk!",
                            pair ? "Skip files" : "Skip File",
                            "Abort",
                            {},
                            false,
                            AlertQuestion::MissingBext});
    return answer == kAlertDefault ? Step::Next : Step::StopConverting;
}

void Bwf2qtRun::addToLists(const Bwf2qtJob& job, const std::string& movie, const BwfInfo& info) {
    m_report.movies.push_back(movie);
    m_batchList += bwf2qtBatchListRow(info);
    // The list follows the rate the movie's timecode was written in (under "From recorder", the
    // file's own); a stored rate that names none lists PAL's timebase without a duration.
    const BwfFrameRate used = m_frameRate ? usedFrameRate(*m_frameRate, bwfRecorderRate(job.file))
                                          : BwfFrameRate{BwfFrameRate::Kind::Pal};
    addXmlEntry(info, movie, used);
}

void Bwf2qtRun::addXmlEntry(const BwfInfo& info, const std::string& movie,
                            const BwfFrameRate& used) {
    // A stored rate that names no choice lists no duration.
    std::optional<std::uint64_t> frames;
    if (m_frameRate) {
        frames = importedMovieFrames(movie, used);
    }
    if (!m_xmeml) {
        XmlClipData clip(info.entries().begin(), info.entries().end());
        if (frames) {
            clip["Duration"] = std::to_string(*frames);
        }
        m_xml += KTxmlexport::createXMLClip(clip, used.xmlTimebase());
        return;
    }
    const std::optional<ImportedSound> sound = importedMovieSound(movie);
    if (!sound || !frames) {
        log("The movie " + movie + " could not be read back: the XML list leaves it out.");
        return;
    }
    if (m_xmemlClips.empty()) {
        m_xmemlRate = used.xmlTimebase();
    }
    m_xmemlClips.push_back(
        XmemlClip{fileNameOf(movie), movie, info.value(bwfkey::kReel),
                  info.value(bwfkey::kMediaStart), *frames, sound->sampleRate, sound->bitsPerSample,
                  sound->channels, info.value(bwfkey::kScene), info.value(bwfkey::kShotTake),
                  info.value(bwfkey::kLogNote), info.value(bwfkey::kDescription)});
}

void Bwf2qtRun::saveLists() {
    PreferenceStore& prefs = m_context.prefs;
    if (prefs.boolean(prefkey::kClickCreateFCPBatchList)) {
        log("Creating Batch List...");
        saveList(
            "Save Batch List", "txt", [this](const std::string&) { return m_batchList; },
            "The batch list could not be saved!");
    }
    if (prefs.boolean(prefkey::kBWFXML)) {
        log("Creating XML List...");
        saveList(
            "Save XML List", "xml",
            [this](const std::string& path) {
                if (!m_xmeml) {
                    return m_xml + KTxmlexport::createXMLFooter();
                }
                // The sequence is named after the list, as an editing system names an import.
                return xmemlDocument(withoutExtension(fileNameOf(path)), m_xmemlClips, m_xmemlRate);
            },
            "The XML list could not be saved!");
    }
}

void Bwf2qtRun::saveList(const std::string& title, const std::string& extension,
                         const std::function<std::string(const std::string& path)>& textFor,
                         const std::string& failureTitle) {
    SavePanel save;
    save.title = title;
    save.requiredExtension = extension;
    save.startFolder = m_destination;
    const auto path = m_ui.runSavePanel(save);
    if (!path) {
        return;
    }
    const std::string text = textFor(*path);
    const Status written = m_context.writeText ? m_context.writeText(*path, text)
                                               : writeTextFileAtomically(*path, text);
    if (!written) {
        // An unsaved list must not pass for a saved one: the alert goes, the log stays.
        // The alert's title without its "!": "The batch list could not be saved to PATH: WHY".
        log(failureTitle.substr(0, failureTitle.size() - 1) + " to " + *path + ": " +
            written.error().message);
        stopWithAlert(m_ui, failureTitle, written.error().message);
        m_report.outcome = CommandOutcome::Failed;
        return;
    }
    if (!m_context.fileAttributes.setTypeAndCreator(*path, FourCharCode::of("TEXT"),
                                                    FourCharCode::of("KeyG"))) {
        log("There was a problem setting type and creator code on " + *path);
    }
}

} // namespace

std::string bwf2qtBatchListHeader(std::string_view language, std::string_view fcpVersion) {
    if (language == "French") {
        return "Nom\tPistes\tDébut des données\tFin des données\tBobine\tRemarque\tScène\t"
               "Plan/Prise\tCommentaire 1\tCommentaire 2\tCommentaire 4\tDescription\r";
    }
    if (language != "English") {
        return {};
    }
    if (fcpVersion == "FCP 3") {
        return "Name\tTracks\tMedia Start\tMedia End\tReel\tLog Note\tScene\tShot/Take\t"
               "Comment 1\tComment 2\tComment 4\tDescription\r";
    }
    if (fcpVersion == "FCP 4") {
        return "Name\tTracks\tMedia Start\tMedia End\tReel\tLog Note\tScene\tShot/Take\t"
               "Master Comment 1\tMaster Comment 2\tMaster Comment 4\tDescription\r";
    }
    return {};
}

std::string bwf2qtBatchListRow(const BwfInfo& info) {
    static constexpr std::array<std::string_view, 12> kColumns = {
        bwfkey::kName,     bwfkey::kTracks,   bwfkey::kMediaStart, bwfkey::kMediaEnd,
        bwfkey::kReel,     bwfkey::kLogNote,  bwfkey::kScene,      bwfkey::kShotTake,
        bwfkey::kComment1, bwfkey::kComment2, bwfkey::kComment4,   bwfkey::kDescription};
    std::string row;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        if (i > 0) {
            row += '\t';
        }
        appendTabField(row, info.value(kColumns[i]));
    }
    row += '\r';
    return row;
}

int bwf2qtChannelA(std::string_view mergeTracks) {
    if (mergeTracks == "Ch. 1 & 2") {
        return 1;
    }
    if (mergeTracks == "Ch. 3 & 4") {
        return 3;
    }
    if (mergeTracks == "Ch. 5 & 6") {
        return 5;
    }
    if (mergeTracks == "Ch. 7 & 8") {
        return 7;
    }
    return 0;
}

std::vector<Bwf2qtJob> bwf2qtJobs(std::vector<std::string> files, int channelA,
                                  const std::function<bool(const std::string&)>& exists) {
    std::vector<Bwf2qtJob> jobs;
    if (channelA == 0) {
        for (std::string& file : files) {
            jobs.push_back({std::move(file), {}, 1});
        }
        return jobs;
    }
    std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return lowered(a) < lowered(b);
    });
    const std::string numberA = std::to_string(channelA);
    const std::string numberB = std::to_string(channelA + 1);
    // The pairs first. A chosen partner is taken out of the selection wherever it sorts, and no
    // other chosen file is passed over in its place.
    std::vector<bool> taken(files.size(), false);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string base = withoutExtension(fileNameOf(files[i]));
        if (base.size() < 8 || base.substr(7) != numberA) {
            continue;
        }
        const std::string folder = folderOf(files[i]);
        const std::string partner = (folder.empty() ? std::string() : folder + "/") +
                                    base.substr(0, 7) + numberB + extensionOf(files[i]);
        if (!exists(partner)) {
            continue;
        }
        taken[i] = true;
        int chosenFiles = 1;
        for (std::size_t j = 0; j < files.size(); ++j) {
            if (!taken[j] && files[j] == partner) {
                taken[j] = true;
                chosenFiles = 2;
                break;
            }
        }
        jobs.push_back({files[i], partner, chosenFiles});
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!taken[i]) {
            jobs.push_back({files[i], {}, 1});
        }
    }
    return jobs;
}

std::string bwf2qtMovieName(const Bwf2qtJob& job, const std::string& destination) {
    const std::string base = withoutExtension(fileNameOf(job.file));
    if (job.partner.empty()) {
        return destination + "/" + base + ".mov";
    }
    // ABC123_1.wav and ABC123_2.wav make ABC123P1.mov.
    return destination + "/" + base.substr(0, 6) + "P" + base.substr(7) + ".mov";
}

Bwf2qtFiles bwf2qtFiles(const std::vector<std::string>& files, const std::string& destination,
                        std::string_view mergeTracks) {
    Bwf2qtFiles run;
    for (const Bwf2qtJob& job : bwf2qtJobs(files, bwf2qtChannelA(mergeTracks), fileExists)) {
        run.inputs.push_back(job.file);
        if (!job.partner.empty()) {
            run.inputs.push_back(job.partner);
        }
        run.movies.push_back(bwf2qtMovieName(job, destination));
    }
    return run;
}

Bwf2qtReport clickGotoTC(Bwf2qtContext& context) {
    return Bwf2qtRun(context).run();
}

} // namespace korvel
