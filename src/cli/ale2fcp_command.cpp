// SPDX-License-Identifier: MIT
// korvel ale2fcp ALE [-o OUT]: an ALE shot log to a Final Cut Pro batch list, with the options
// of the preference store (the same flow as the desktop app's command).
#include "app/conversion_commands.h"
#include "cli/output_policy.h"
#include "cli/session.h"
#include "cli/shotlog_commands.h"
#include "platform/text_file.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace korvel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStandardOutput = "-";

struct Ale2fcpArguments {
    std::string ale;
    std::string out;
    OnExists onExists = OnExists::Ask;
};

// Standard output has no type codes to record; the saved list is still fine.
class StandardOutputAttributes final : public FileAttributes {
  public:
    explicit StandardOutputAttributes(FileAttributes& files) : m_files(files) {}
    std::optional<FourCharCode> typeCode(const std::string& path) const override {
        return m_files.typeCode(path);
    }
    bool setTypeAndCreator(const std::string& path, FourCharCode type,
                           FourCharCode creator) override {
        return path == kStandardOutput || m_files.setTypeAndCreator(path, type, creator);
    }

  private:
    FileAttributes& m_files;
};

int run(Session& session, const Ale2fcpArguments& args) {
    const std::string alePath = fs::absolute(args.ale).lexically_normal().string();
    std::string outPath;
    if (args.out == kStandardOutput) {
        outPath = std::string(kStandardOutput);
    } else if (args.out.empty()) {
        outPath = fs::path(alePath).replace_extension(".txt").string();
    } else {
        outPath = fs::absolute(args.out).lexically_normal().string();
    }

    OutputPolicy outputs(session, args.onExists, {alePath, session.logFile()});
    TerminalUserInterface& ui = session.ui();
    ui.setOpenPanelAnswerer(
        [&](const OpenPanel&) { return std::optional<std::vector<std::string>>({alePath}); });
    ui.setSavePanelAnswerer([&](const SavePanel&) -> std::optional<std::string> {
        if (outPath != kStandardOutput && !outputs.mayWrite(outPath)) {
            return std::nullopt;
        }
        return outPath;
    });

    StandardOutputAttributes attributes(session.fileAttributes());
    ConversionCommandContext context{
        ui,
        session.prefs(),
        attributes,
        session.log(),
        readTextFile,
        [&outputs](const std::string& path, std::string_view text) -> Status {
            if (path == kStandardOutput) {
                std::cout << text << std::flush;
                return std::cout ? Status() : Status(makeError("cannot write to standard output"));
            }
            return outputs.writeText(path, text);
        }};
    const CommandOutcome outcome = clickale2fcp(context);
    if (outcome == CommandOutcome::Failed || outputs.stopped()) {
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace

void addAle2fcpCommand(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<Ale2fcpArguments>();
    CLI::App* command =
        app.add_subcommand("ale2fcp", "Convert an ALE shot log into a Final Cut Pro batch list");
    command->add_option("ALE", args->ale, "the ALE shot log")->required()->check(CLI::ExistingFile);
    command->add_option("-o,--output", args->out,
                        "the batch list to write (\"-\": standard output; default: the ALE's "
                        "name with .txt, beside it)");
    addOnExistsOption(*command, args->onExists);
    command->footer(
        "Options come from the preference store: TVSys, usertxt1-4, aleCopyName, modifyNameData,\n"
        "mediaFileVersion, ale2fcpWindowsOption, ale2fcpTCConversion, ale2fcpFCPvers.\n"
        "Examples:\n"
        "  korvel ale2fcp day1.ale                       -> day1.txt beside it\n"
        "  korvel --tv NTSC ale2fcp day1.ale -o - | less\n"
        "  korvel --set modifyNameData='Truncate, add \".mov\"' ale2fcp day1.ale -o list.txt");
    table.add(command, [args](Session& session) { return run(session, *args); });
}

} // namespace korvel
