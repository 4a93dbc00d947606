// SPDX-License-Identifier: MIT
#include "app/conversion_commands.h"

#include "app/preference_keys.h"
#include "platform/path_names.h"
#include "platform/text_file.h"
#include "shotlog/ale_tools.h"
#include "timecode/tv_system.h"

namespace korvel {
namespace {

Result<std::string> readChosenFile(ConversionCommandContext& context, const std::string& path) {
    auto text = context.readText ? context.readText(path) : readTextFile(path);
    if (!text) {
        stopWithAlert(context.ui, "The file could not be read!", text.error().message);
    }
    return text;
}

Status writeFile(ConversionCommandContext& context, const std::string& path,
                 std::string_view text) {
    return context.writeText ? context.writeText(path, text) : writeTextFileAtomically(path, text);
}

LogSink logSink(ConversionCommandContext& context) {
    return [&log = context.log](std::string_view entry) { log.KTAddLogEntry(entry); };
}

// The ale2fcp options as the store holds them now.
Ale2fcpOptions ale2fcpOptions(const PreferenceStore& prefs) {
    Ale2fcpOptions options;
    options.userTxt1 = prefs.string(prefkey::kUserTxt1);
    options.userTxt2 = prefs.string(prefkey::kUserTxt2);
    options.userTxt3 = prefs.string(prefkey::kUserTxt3);
    options.userTxt4 = prefs.string(prefkey::kUserTxt4);
    options.userTxt5 = prefs.string(prefkey::kUserTxt5);
    options.aleCopyName = prefs.boolean(prefkey::kAleCopyName);
    options.nameModify = prefs.stringOrEmpty(prefkey::kModifyNameData);
    options.baseNameLength = clipBaseNameLength(prefs);
    options.myTVSys = prefs.stringOrEmpty(prefkey::kTVSys);
    options.df = prefs.boolean(prefkey::kDF);
    options.convertToWindowsName = prefs.boolean(prefkey::kAle2fcpWindowsOption);
    options.tcFieldName = prefs.stringOrEmpty(prefkey::kAle2fcpTCConversion);
    options.fcpversion = prefs.stringOrEmpty(prefkey::kAle2fcpFCPvers);
    return options;
}

// Offers the batch list in a save panel proposing `proposedName`, and writes it there.
CommandOutcome saveBatchList(ConversionCommandContext& context, const std::string& proposedName,
                             const std::string& batchList) {
    PreferenceStore& prefs = context.prefs;
    SavePanel save;
    save.title = "Save Batch List";
    save.requiredExtension = "txt";
    save.startFolder = prefs.stringOrEmpty(prefkey::kAle2fcpFcpDir);
    save.proposedName = proposedName;
    const auto savePath = context.ui.runSavePanel(save);
    if (!savePath) {
        return CommandOutcome::Cancelled;
    }
    if (const std::string folder = folderOf(*savePath); !folder.empty()) {
        prefs.setString(prefkey::kAle2fcpFcpDir, folder);
    }
    if (const Status written = writeFile(context, *savePath, batchList); !written) {
        // An unsaved list must not pass for a saved one: the alert goes, the log stays.
        context.log.KTAddLogEntry("The batch list could not be saved to " + *savePath + ": " +
                                  written.error().message);
        stopWithAlert(context.ui, "The batch list could not be saved!", written.error().message);
        return CommandOutcome::Failed;
    }
    if (!context.fileAttributes.setTypeAndCreator(*savePath, FourCharCode::of("TEXT"),
                                                  FourCharCode::of("KeyG"))) {
        context.log.KTAddLogEntry("There was a problem setting type and creator code on " +
                                  *savePath);
    }
    return CommandOutcome::Done;
}

} // namespace

std::int32_t clipBaseNameLength(const PreferenceStore& prefs) {
    return prefs.stringOrEmpty(prefkey::kMediaFileVersion) == "QuickTime 4 or later" ? 28 : 27;
}

CommandOutcome clickale2fcp(ConversionCommandContext& context) {
    PreferenceStore& prefs = context.prefs;
    const std::string lastAle = prefs.stringOrEmpty(prefkey::kAle2fcpAleDir);
    OpenPanel open;
    open.title = "Avid Log Exchange Conversion";
    open.prompt = "Convert";
    open.optionView = "ale2fcpView";
    open.allowedExtensions = {"ALE", "ale", "txt", "TXT"};
    open.allowedTypeCodes = {"TEXT"};
    open.startFolder = folderOf(lastAle);
    open.preselectedFile = fileNameOf(lastAle);
    const auto chosen = context.ui.runOpenPanel(open);
    if (!chosen || chosen->empty()) {
        return CommandOutcome::Cancelled;
    }
    const std::string alePath = chosen->front();
    const auto aleText = readChosenFile(context, alePath);
    if (!aleText) {
        return CommandOutcome::Failed;
    }
    prefs.setString(prefkey::kAle2fcpAleDir, alePath);
    context.log.KTAddLogEntry("ale2fcp video format: " + prefs.stringOrEmpty(prefkey::kTVSys));

    ALETools tools(context.ui, logSink(context));
    const std::string batchList = tools.ale2fcp(*aleText, ale2fcpOptions(prefs));
    if (batchList == kAle2fcpFailed) {
        context.ui.beep();
        return CommandOutcome::Failed;
    }
    return saveBatchList(context, withoutExtension(fileNameOf(alePath)), batchList);
}

CommandOutcome clickfcp2ale(ConversionCommandContext& context) {
    PreferenceStore& prefs = context.prefs;
    const std::string tvSys = prefs.stringOrEmpty(prefkey::kTVSys);
    if (TvSystem::parse(tvSys) == TvSystem::Film24) {
        stopWithAlert(context.ui, "Video Standard error!",
                      "Sorry, but you can't convert a FCP batch list using 24 fps.");
        return CommandOutcome::Failed;
    }

    const std::string lastList = prefs.stringOrEmpty(prefkey::kFcp2aleAleDir);
    OpenPanel open;
    open.title = "FCP Batch List Conversion";
    open.prompt = "Convert";
    open.optionView = "fcp2aleView";
    open.allowedExtensions = {"txt", "TXT"};
    open.allowedTypeCodes = {"TEXT"};
    open.startFolder = folderOf(lastList);
    open.preselectedFile = fileNameOf(lastList);
    const auto chosen = context.ui.runOpenPanel(open);
    if (!chosen || chosen->empty()) {
        return CommandOutcome::Cancelled;
    }
    const std::string listPath = chosen->front();
    const auto listText = readChosenFile(context, listPath);
    if (!listText) {
        return CommandOutcome::Failed;
    }
    prefs.setString(prefkey::kFcp2aleAleDir, listPath);

    Fcp2aleOptions options;
    options.seperateBins = prefs.boolean(prefkey::kSeperateBins);
    options.theClipType = prefs.stringOrEmpty(prefkey::kClipType);
    options.tvsys = tvSys;
    options.filename = listPath;

    ALETools tools(context.ui, logSink(context), prefs, context.fileAttributes,
                   [&context](const std::string& path, std::string_view text) {
                       return writeFile(context, path, text);
                   });
    return tools.fcp2ale(*listText, options) == "OK" ? CommandOutcome::Done
                                                     : CommandOutcome::Failed;
}

} // namespace korvel
