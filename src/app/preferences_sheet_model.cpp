// SPDX-License-Identifier: MIT
#include "app/preferences_sheet_model.h"

#include "app/preference_keys.h"
#include "timecode/tv_system.h"

#include <algorithm>
#include <array>

namespace korvel {
namespace {

using enum ControlKind;
using namespace prefkey;

constexpr std::string_view kFilm = "24 fps";
constexpr std::string_view kTc24Start = "TC 24 Start";
constexpr std::string_view kSelfContained = "Make Self Contained Movies";
constexpr std::string_view kLinkToBwf = "Link To BWF Files";
constexpr std::array<std::string_view, 4> kUserFields = {"alePrefUserTxt1", "alePrefUserTxt2",
                                                         "alePrefUserTxt3", "alePrefUserTxt4"};
// The controls that only "Make Self Contained Movies" makes sense for.
constexpr std::array<std::string_view, 4> kSelfContainedControls = {
    "buttonMergeMixdown", "button24to16", "BWFMergeTracks", "BWFSampleRate"};

constexpr std::array<TcColumnChoice, 10> kTcColumnChoices = {{
    {"[ALE] Start", "Start", true},
    {"[ALE] Aux TC 1", "Auxiliary TC1", true},
    {"[ALE] Aux TC 2", "Auxiliary TC2", true},
    {"[ALE] Aux TC 3", "Auxiliary TC3", true},
    {"[ALE] Aux TC 4", "Auxiliary TC4", true},
    {"[ALE] Aux TC 5", "Auxiliary TC5", true},
    {"[ALE] TC 24 Start", "TC 24 Start", true},
    {"[FCP] Media Start", "Media Start", false},
    {"[FCP] Aux TC 1", "Aux TC 1", false},
    {"[FCP] Aux TC 2", "Aux TC 2", false},
}};

// The items of a pop-up whose key lists its choices.
std::vector<std::string_view> choicesOf(std::string_view key) {
    const auto choices = preferenceChoices(key);
    return {choices.begin(), choices.end()};
}

// Drop frame is counted only where the TV system defines it (NTSC, 59.94).
bool countsDropFrame(std::string_view tvSys) {
    const auto system = TvSystem::parse(tvSys);
    return system && system->dropFrameAllowed();
}

// The Batch Add TC and timecode controls.
std::vector<ControlDescription> timecodeControls() {
    std::vector<std::string_view> tcTitles;
    for (const TcColumnChoice& choice : kTcColumnChoices) {
        tcTitles.push_back(choice.title);
    }
    return {
        {"setTVSysButton", "TV System", PopUp, {}, choicesOf(kTVSys)},
        {"DFButton", "Drop Frame", CheckBox, kDF, {}},
        {"tcColumnSelector", "Timecode Column", PopUp, kTcColumn, tcTitles},
        {"movieExtension",
         "Movie Extension",
         PopUp,
         kMovieExtension,
         {".mov", ".MOV", ".MooV", "None"}},
        {"mediaFilesVersionButton",
         "Media Files",
         Radio,
         kMediaFileVersion,
         {"QuickTime 4 or later", "QuickTime 3 or earlier"}},
        {"overwriteTC", "Overwrite existing timecode tracks", CheckBox, kOverwrite, {}},
        {"convertTo24Tc", "Convert 30 fps timecode to 24 fps", CheckBox, kConvertTo24Tc, {}},
        {"qtcWindowsButton", "Look for Windows-safe file names", CheckBox, kQtcWindows, {}},
    };
}

// The ale2fcp and fcp2ale controls.
std::vector<ControlDescription> shotLogControls() {
    return {
        {"buttonModifyNameData",
         "Clip Names",
         PopUp,
         kModifyNameData,
         {"No", "Truncate", "Truncate, add \".mov\"", "Truncate, add \".MOV\"",
          "Truncate, add \".MooV\""}},
        {"ale2fcpWindowsOption", "Windows-safe clip names", CheckBox, kAle2fcpWindowsOption, {}},
        {"aleCopyName", "Copy Name", CheckBox, kAleCopyName, {}},
        {"ale2fcp24TCSelectField",
         "24 fps Timecode",
         Radio,
         kAle2fcpTCConversion,
         {"Convert Start field to 24 fps TC", "Use TC 24 Start field"}},
        {"ale2fcpFCPvers", "FCP Version", PopUp, kAle2fcpFCPvers, {"FCP 3", "FCP 4"}},
        {"alePrefUserTxt1", "User Field 1", TextField, kUserTxt1, {}},
        {"alePrefUserTxt2", "User Field 2", TextField, kUserTxt2, {}},
        {"alePrefUserTxt3", "User Field 3", TextField, kUserTxt3, {}},
        {"alePrefUserTxt4", "User Field 4", TextField, kUserTxt4, {}},
        {"fcp2aleClips",
         "Convert",
         PopUp,
         kClipType,
         {"Clips only", "Clips & SubClips", "SubClips only"}},
        {"fcp2aleSperateBins", "Separate Bins", CheckBox, kSeperateBins, {}},
    };
}

// The bwf2qt controls.
std::vector<ControlDescription> bwfControls() {
    return {
        {"BWFMediaConversion",
         "BWF Media",
         Radio,
         kBWFMediaConversion,
         {kLinkToBwf, kSelfContained}},
        {"button24to16", "Convert 24 bit to 16 bit", CheckBox, kButton24to16, {}},
        {"BWFSampleRate",
         "Sample Rate",
         PopUp,
         kBWFSampleRate,
         {"Same as Source", "48000 kHz", "44100 kHz"}},
        {"BWFMergeTracks",
         "Merge Tracks",
         PopUp,
         kBWFMergeTracks,
         {"None", "Ch. 1 & 2", "Ch. 3 & 4", "Ch. 5 & 6", "Ch. 7 & 8"}},
        {"buttonMergeMixdown", "Merge Mixdown", CheckBox, kButtonMergeMixdown, {}},
        {"BWFfpsRate", "BWF Timecode Rate", PopUp, kBWFfpsRate, choicesOf(kBWFfpsRate)},
        {"BWFDFTC", "BWF Drop Frame", CheckBox, kBWFDFTC, {}},
        {"BWFTapeIDSelect",
         "Tape ID",
         PopUp,
         kBWFTapeIDSelect,
         {"TapeID from BWF File", "BWF File Name", "BWF File Name Without Extension",
          "First 6 characters of File Name"}},
        {"BWFAutoCode", "Set the Wave type code without asking", CheckBox, kBWFAutoCode, {}},
        {"myCreateFCPBLButton", "Create FCP Batch List", CheckBox, kClickCreateFCPBatchList, {}},
        {"BatchListHeaderLanguish",
         "Batch List Header",
         PopUp,
         kBatchListHeaderLanguish,
         {"English", "French"}},
        {"BWFXML", "Create FCP XML List", CheckBox, kBWFXML, {}},
        {"BWFXMLFormat", "XML Format", PopUp, kBWFXMLFormat, choicesOf(kBWFXMLFormat)},
    };
}

std::vector<ControlDescription> makeControls() {
    std::vector<ControlDescription> controls = timecodeControls();
    for (auto part : {shotLogControls(), bwfControls()}) {
        controls.insert(controls.end(), part.begin(), part.end());
    }
    return controls;
}

const TcColumnChoice* tcColumnByTitle(std::string_view title) {
    const auto* found = std::ranges::find(kTcColumnChoices, title, &TcColumnChoice::title);
    return found == kTcColumnChoices.end() ? nullptr : found;
}

const TcColumnChoice* tcColumnByStored(std::string_view stored) {
    const auto* found = std::ranges::find(kTcColumnChoices, stored, &TcColumnChoice::stored);
    return found == kTcColumnChoices.end() ? nullptr : found;
}

bool hasItem(const ControlDescription& desc, std::string_view title) {
    return std::ranges::find(desc.items, title) != desc.items.end();
}

} // namespace

std::span<const TcColumnChoice> tcColumnChoices() {
    return kTcColumnChoices;
}

std::span<const ControlDescription> PreferencesSheetModel::controls() {
    static const std::vector<ControlDescription> descriptions = makeControls();
    return descriptions;
}

const ControlDescription* PreferencesSheetModel::control(std::string_view id) {
    const auto descriptions = controls();
    const auto found = std::ranges::find(descriptions, id, &ControlDescription::id);
    return found == descriptions.end() ? nullptr : &*found;
}

PreferencesSheetModel::PreferencesSheetModel(PreferenceStore& store) : m_store(store) {
    // A control shows its first item until it is told otherwise.
    for (const ControlDescription& desc : controls()) {
        ControlState state;
        if (!desc.items.empty()) {
            state.value = std::string(desc.items.front());
        }
        m_states.emplace(std::string(desc.id), std::move(state));
    }
}

const ControlState& PreferencesSheetModel::state(std::string_view id) const {
    static const ControlState kNone;
    const auto found = m_states.find(id);
    return found == m_states.end() ? kNone : found->second;
}

ControlState& PreferencesSheetModel::mutableState(std::string_view id) {
    return m_states.find(id)->second;
}

void PreferencesSheetModel::show(std::string_view id, std::string_view value) {
    const ControlDescription* desc = control(id);
    // A control asked to show a value that is none of its items keeps its current item.
    if (desc->kind == TextField || hasItem(*desc, value)) {
        mutableState(id).value = std::string(value);
    }
}

void PreferencesSheetModel::showChecked(std::string_view id, std::string_view key) {
    mutableState(id).checked = m_store.boolean(key);
}

void PreferencesSheetModel::enable(std::string_view id, bool enabled) {
    mutableState(id).enabled = enabled;
}

void PreferencesSheetModel::loadFromStore() {
    m_tvSys = m_store.stringOrEmpty(kTVSys);
    show("setTVSysButton", m_tvSys);
    const std::string_view shown = state("setTVSysButton").value;
    enable("DFButton", countsDropFrame(shown)); // step 1
    for (const auto* id : {"ale2fcpWindowsOption", "overwriteTC", "DFButton", "BWFAutoCode"}) {
        showChecked(id, control(id)->key); // step 2
    }
    loadBwfControls();
    loadConversionControls();
    loadRemainingControls();
    showStoredMediaConversion();
    apply24FpsRules();
}

// Steps 3 to 11.
void PreferencesSheetModel::loadBwfControls() {
    if (m_store.stringOrEmpty(kBWFSampleRate).empty()) {
        show("BWFSampleRate", "Same as Source");
    }
    show("BWFSampleRate", m_store.stringOrEmpty(kBWFSampleRate));
    show("BWFMergeTracks", m_store.stringOrEmpty(kBWFMergeTracks));
    for (const auto* id : {"aleCopyName", "fcp2aleSperateBins", "button24to16", "BWFXML"}) {
        showChecked(id, control(id)->key);
    }
    show("ale2fcpFCPvers", m_store.stringOrEmpty(kAle2fcpFCPvers));
    enable("BWFSampleRate", m_store.boolean(kButton24to16));
    showChecked("buttonMergeMixdown", kButtonMergeMixdown);
    show("fcp2aleClips", m_store.stringOrEmpty(kClipType));
    const std::pair<std::string_view, std::string_view> repairs[] = {
        {"BatchListHeaderLanguish", "English"},
        {"BWFTapeIDSelect", "TapeID from BWF File"},
        {"BWFMergeTracks", "None"},
        {"BWFfpsRate", "PAL"},
    };
    for (const auto& [id, replacement] : repairs) {
        const std::string_view key = control(id)->key;
        if (m_store.stringOrEmpty(key).empty()) {
            m_store.setString(key, std::string(replacement));
        }
        show(id, m_store.stringOrEmpty(key));
    }
}

// Steps 12 to 15.
void PreferencesSheetModel::loadConversionControls() {
    showChecked("convertTo24Tc", kConvertTo24Tc);
    showChecked("qtcWindowsButton", kQtcWindows);
    // The "[FCP]" columns are shown too, so that the selector never hides what the batch uses.
    if (const TcColumnChoice* choice = tcColumnByStored(m_store.stringOrEmpty(kTcColumn))) {
        show("tcColumnSelector", choice->title);
    }
    showChecked("myCreateFCPBLButton", kClickCreateFCPBatchList);
    enable("BatchListHeaderLanguish", m_store.boolean(kClickCreateFCPBatchList));
    showChecked("BWFDFTC", kBWFDFTC);
    enable("BWFDFTC", countsDropFrame(state("setTVSysButton").value));
}

// Steps 16 to 18.
void PreferencesSheetModel::loadRemainingControls() {
    const auto cell = [this](std::string_view id, std::string_view tagZeroValue) {
        const ControlDescription* desc = control(id);
        const bool tagZero = m_store.stringOrEmpty(desc->key) == tagZeroValue;
        show(id, desc->items[tagZero ? 0 : 1]);
    };
    cell("mediaFilesVersionButton", "QuickTime 4 or later");
    cell("ale2fcp24TCSelectField", "Convert Start field to 24 fps TC");
    show("movieExtension", m_store.stringOrEmpty(kMovieExtension));
    for (std::string_view id : kUserFields) {
        show(id, m_store.stringOrEmpty(control(id)->key));
    }
    show("buttonModifyNameData", m_store.stringOrEmpty(kModifyNameData));
}

// What bwf2qt will do with the stored value: anything but "Link To BWF Files" makes
// self-contained movies, so the sheet says so and enables the controls that govern them.
void PreferencesSheetModel::showStoredMediaConversion() {
    const bool link = m_store.stringOrEmpty(kBWFMediaConversion) == kLinkToBwf;
    show("BWFMediaConversion", link ? kLinkToBwf : kSelfContained);
    for (std::string_view id : kSelfContainedControls) {
        enable(id, !link);
    }
    enable("BWFSampleRate", !link && m_store.boolean(kButton24to16));
}

void PreferencesSheetModel::apply24FpsRules() {
    const bool film = state("setTVSysButton").value == kFilm;
    enable("ale2fcp24TCSelectField", film);
    enable("convertTo24Tc", film && m_store.stringOrEmpty(kTcColumn) != kTc24Start);
}

void PreferencesSheetModel::applyTVSysSwitch() {
    const bool dropFrame = countsDropFrame(m_tvSys);
    const bool film = m_tvSys == kFilm;
    enable("DFButton", dropFrame);
    enable("convertTo24Tc", film);
    enable("ale2fcp24TCSelectField", film);
    enable("BWFDFTC", dropFrame);
}

void PreferencesSheetModel::applyTcColumnRule(std::string_view title) {
    const TcColumnChoice* choice = tcColumnByTitle(title);
    if (state("setTVSysButton").value == kFilm && choice->fromAle) {
        enable("convertTo24Tc", choice->stored != kTc24Start);
    }
}

void PreferencesSheetModel::applyMediaConversionRule() {
    const bool selfContained = m_store.stringOrEmpty(kBWFMediaConversion) == kSelfContained;
    show("BWFMediaConversion", control("BWFMediaConversion")->items[selfContained ? 1 : 0]);
    for (std::string_view id : kSelfContainedControls) {
        enable(id, selfContained);
    }
}

void PreferencesSheetModel::choose(std::string_view id, std::string_view title) {
    const ControlDescription* desc = control(id);
    if (!desc || !hasItem(*desc, title)) {
        return;
    }
    show(id, title);
    if (id == "setTVSysButton") {
        m_tvSys = std::string(title);
        applyTVSysSwitch();
    } else if (id == "tcColumnSelector") {
        m_store.setString(kTcColumn, std::string(tcColumnByTitle(title)->stored));
        applyTcColumnRule(title);
    } else {
        m_store.setString(desc->key, std::string(title));
        if (id == "BWFMediaConversion") {
            applyMediaConversionRule();
        }
    }
}

void PreferencesSheetModel::setChecked(std::string_view id, bool on) {
    const ControlDescription* desc = control(id);
    if (!desc || desc->kind != CheckBox) {
        return;
    }
    mutableState(id).checked = on;
    m_store.setBoolean(desc->key, on);
    if (id == "myCreateFCPBLButton") {
        enable("BatchListHeaderLanguish", on);
    } else if (id == "button24to16") {
        enable("BWFSampleRate", on);
    }
}

void PreferencesSheetModel::setText(std::string_view id, std::string text) {
    const ControlDescription* desc = control(id);
    if (desc && desc->kind == TextField) {
        mutableState(id).value = std::move(text);
    }
}

void PreferencesSheetModel::restoreDefaultUserFields() {
    for (std::string_view id : kUserFields) {
        m_store.setString(control(id)->key, "[empty]");
        show(id, "[empty]");
    }
}

void PreferencesSheetModel::savePrefs() {
    for (std::string_view id : kUserFields) {
        m_store.setString(control(id)->key, state(id).value);
    }
    m_store.setString(kTVSys, m_tvSys);
    m_store.synchronize();
}

} // namespace korvel
