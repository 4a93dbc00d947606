// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

/// The questions a front end may answer on the person's behalf (the command line's flags). A
/// front end tells alerts apart by this, never by their words, which are the person's.
enum class AlertQuestion {
    None,
    /// An output exists: default "Skip", alternate "Replace", other "Abort".
    OutputExists,
    /// A file lacks the type code that lets it be read: default changes it, alternate aborts.
    FixTypeCode,
    /// A file (or a pair) has no bext chunk: default skips it, alternate aborts.
    MissingBext,
};

/// A modal alert panel. An empty button title means no such button; a panel with no button title
/// at all shows one "OK" button that answers as the default.
struct Alert {
    std::string title;
    std::string message;
    std::string defaultButton;
    std::string alternateButton;
    std::string otherButton;
    bool informational = false;
    AlertQuestion question = AlertQuestion::None;
};

/// The answers of an alert panel.
inline constexpr int kAlertDefault = 1;
inline constexpr int kAlertAlternate = 0;
inline constexpr int kAlertOther = -1;

/// What an open panel asks for.
struct OpenPanel {
    std::string title;
    std::string prompt;                         // the default button's title
    std::string optionView;                     // name of the option view shown inside, if any
    std::vector<std::string> allowedExtensions; // without the dot; empty: any file
    std::vector<std::string> allowedTypeCodes;  // four-character HFS file types
    std::string startFolder;
    std::string preselectedFile; // file name within startFolder
    bool chooseFiles = true;
    bool chooseFolders = false;
    bool allowsMultipleSelection = false;
};

/// What a save panel asks for.
struct SavePanel {
    std::string title;
    std::string requiredExtension; // without the dot; added when the chosen name lacks it
    std::string startFolder;
    std::string proposedName;
};

/// A long operation's progress: a bar over [0, maximum] and two lines of text. A maximum of 0
/// means the length is unknown (a spinning indicator).
class ProgressReporter {
  public:
    virtual ~ProgressReporter() = default;
    virtual void begin(const std::string& title, double maximum) = 0;
    virtual void update(double value, const std::string& line1, const std::string& line2) = 0;
    virtual void end() = 0;
    /// How far the work on the current file has come, in bytes; called often during a long
    /// file, and again with bytesDone == bytesTotal when it is done. The next update() starts a
    /// new file.
    virtual void fileProgress(std::uint64_t /*bytesDone*/, std::uint64_t /*bytesTotal*/) {}
    /// True once the person has asked to stop. Batches ask after each file and stop there, so
    /// that no file is left half-written.
    virtual bool cancelRequested() const { return false; }
};

/// How the operations reach the person. The front end decides how each request is shown; the
/// operation decides when and with which texts.
class UserInterface {
  public:
    virtual ~UserInterface() = default;

    virtual void beep() = 0;
    /// Shows the alert modally and answers kAlertDefault, kAlertAlternate or kAlertOther.
    virtual int runAlert(const Alert& alert) = 0;
    /// The chosen paths in order, or nothing when the person cancels.
    virtual std::optional<std::vector<std::string>> runOpenPanel(const OpenPanel& panel) = 0;
    /// The chosen path (with the required extension), or nothing when the person cancels.
    virtual std::optional<std::string> runSavePanel(const SavePanel& panel) = 0;
    /// The summary sheet that ends a batch: its lines, in order, shown until dismissed.
    virtual void showSummary(const std::string& title, const std::vector<std::string>& lines) = 0;
    virtual ProgressReporter& progress() = 0;
    /// Opens `url` in the person's web browser; false when this front end has no browser to
    /// open (the caller then shows the address some other way).
    virtual bool openUrl(const std::string& /*url*/) { return false; }
};

/// Beeps, then shows a one-button alert: how an operation says why it stops.
inline void stopWithAlert(UserInterface& ui, std::string title, std::string message,
                          std::string button = "Cancel") {
    ui.beep();
    ui.runAlert(Alert{std::move(title), std::move(message), std::move(button), {}, {}, false});
}

} // namespace korvel
