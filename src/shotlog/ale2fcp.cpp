// SPDX-License-Identifier: MIT
// ALE shot log to Final Cut Pro batch list. The ALE's known columns are carried over in their own
// order under the titles Final Cut Pro expects; names can be made Windows-safe, truncated and
// given a movie extension; 30 fps starts can be converted to 24 fps.
#include "shotlog/ale_tools.h"
#include "shotlog/tab_fields.h"
#include "shotlog/windows_text.h"
#include "timecode/tc30totc24.h"
#include "timecode/tv_system.h"

#include <array>
#include <optional>
#include <tuple>
#include <vector>

namespace korvel {
namespace {

// What a batch-list column writes for each clip row.
enum class ColumnKey {
    Name,
    MediaStart,
    MediaEnd,
    Tracks,
    Reel,
    In,
    Out,
    ShotTake,
    Scene,
    LogNote,
    Comment1,
    Comment2,
    Comment3,
    Comment4,
};

struct OutputColumn {
    std::size_t field; // index of the ALE field that feeds it
    ColumnKey key;
};

struct TrackFields {
    std::string_view aleTracks;
    std::string_view fcpFields; // "Tracks", tab, "Audio"
};

constexpr std::array<TrackFields, 13> kTrackTable = {{
    {"V", "1V\t"},
    {"VA1", "1V, 1A\tA1"},
    {"VA2", "1V, 1A\tA2"},
    {"VA1A2", "1V, 2A\tA1 + A2"},
    {"A1", "1A\tA1"},
    {"A2", "1A\tA2"},
    {"A1A2", "2A\tA1 + A2"},
    {"VA1A2A3", "1V, 2A\tA1 + A2"},
    {"VA1A2A3A4", "1V, 2A\tA1 + A2"},
    {"VA1A2A3A4A5", "1V, 2A\tA1 + A2"},
    {"VA1A2A3A4A5A6", "1V, 2A\tA1 + A2"},
    {"VA1A2A3A4A5A6A7", "1V, 2A\tA1 + A2"},
    {"VA1A2A3A4A5A6A7A8", "1V, 2A\tA1 + A2"},
}};

// A track value the table does not know still fills both columns, so the row stays aligned.
std::string_view fcpTrackFields(std::string_view aleTracks) {
    for (const TrackFields& entry : kTrackTable) {
        if (entry.aleTracks == aleTracks) {
            return entry.fcpFields;
        }
    }
    return "\t";
}

std::string commentTitle(std::string_view fcpversion, int number) {
    if (fcpversion == "FCP 3") {
        return "Comment " + std::to_string(number);
    }
    if (fcpversion == "FCP 4") {
        return "Master Comment " + std::to_string(number);
    }
    return {};
}

void appendClipName(std::string& out, std::string_view loggedName, const Ale2fcpOptions& options) {
    std::string name = options.convertToWindowsName ? convertWindowsText(loggedName, "NT4")
                                                    : std::string(loggedName);
    const std::string_view modify = options.nameModify;
    if (modify == "Truncate" || modify == "Truncate, add \".mov\"" ||
        modify == "Truncate, add \".MOV\"" || modify == "Truncate, add \".MooV\"") {
        const std::size_t limit =
            options.baseNameLength > 1 ? static_cast<std::size_t>(options.baseNameLength) - 1 : 0;
        appendTabField(out, truncateToUtf16Units(name, limit));
        if (modify == "Truncate, add \".mov\"") {
            out += ".mov";
        } else if (modify == "Truncate, add \".MOV\"") {
            out += ".MOV";
        } else if (modify == "Truncate, add \".MooV\"") {
            out += ".MooV";
        }
        return;
    }
    // "No", and any option text we do not know, keeps the name as it stands.
    appendTabField(out, name);
}

// The batch list's columns in the ALE's order, and their title line.
struct BatchListColumns {
    std::string titles;
    std::vector<OutputColumn> columns;
    std::size_t namePos = 0;
    bool namePresent = false;
    bool startPresent = false;
    bool endPresent = false;
    bool tracksPresent = false;
    bool reelPresent = false;

    void add(std::size_t field, std::string_view title, ColumnKey key) {
        if (!columns.empty()) {
            titles += '\t';
        }
        titles += title;
        columns.push_back({field, key});
    }
};

// The columns an ALE column named `name` gives by its name alone.
void addNamedColumns(BatchListColumns& list, std::size_t i, std::string_view name,
                     bool startFromStart, const LogSink& log) {
    if (name == "Name" || name == "NAME") {
        list.add(i, "Name", ColumnKey::Name);
        list.namePresent = true;
        list.namePos = i;
    }
    if (name == "Clip Name" && !list.namePresent) {
        list.add(i, "Name", ColumnKey::Name);
        list.namePresent = true;
        list.namePos = i;
        log("Using the column \"Clip Name\" as name field.");
    }
    if ((startFromStart && name == "Start") || (!startFromStart && name == "TC 24 Start")) {
        list.add(i, "Media Start", ColumnKey::MediaStart);
        list.startPresent = true;
    }
    if ((startFromStart && name == "End") || (!startFromStart && name == "TC 24 End")) {
        list.add(i, "Media End", ColumnKey::MediaEnd);
        list.endPresent = true;
    }
    if (name == "Tracks") {
        list.add(i, "Tracks\tAudio", ColumnKey::Tracks);
        list.tracksPresent = true;
    }
    if (name == "Tape" || name == "TAPE") {
        list.add(i, "Reel", ColumnKey::Reel);
        list.reelPresent = true;
    }
    static constexpr std::array<std::tuple<std::string_view, std::string_view, ColumnKey>, 5>
        kPlainColumns = {{{"Mark IN", "In", ColumnKey::In},
                          {"Mark OUT", "Out", ColumnKey::Out},
                          {"Take", "Shot/take", ColumnKey::ShotTake},
                          {"Scene", "Scene", ColumnKey::Scene},
                          {"Comments", "Log Note", ColumnKey::LogNote}}};
    for (const auto& [aleName, title, key] : kPlainColumns) {
        if (name == aleName) {
            list.add(i, title, key);
        }
    }
}

// The columns the person chose to carry over as comments ("userTxt1" to "userTxt4").
void addCommentColumns(BatchListColumns& list, std::size_t i, std::string_view name,
                       const Ale2fcpOptions& options) {
    const std::array<const std::optional<std::string>*, 4> userFields = {
        &options.userTxt1, &options.userTxt2, &options.userTxt3, &options.userTxt4};
    constexpr std::array<ColumnKey, 4> commentKeys = {ColumnKey::Comment1, ColumnKey::Comment2,
                                                      ColumnKey::Comment3, ColumnKey::Comment4};
    for (std::size_t u = 0; u < userFields.size(); ++u) {
        if (*userFields[u] && name == **userFields[u]) {
            list.add(i, commentTitle(options.fcpversion, static_cast<int>(u) + 1), commentKeys[u]);
        }
    }
}

// The first column a batch list cannot do without that the ALE lacks.
std::optional<std::string_view> missingColumn(const BatchListColumns& list) {
    const std::array<std::pair<bool, std::string_view>, 5> required = {{
        {list.namePresent, "Name"},
        {list.startPresent, "Start"},
        {list.endPresent, "End"},
        {list.tracksPresent, "Tracks"},
        {list.reelPresent, "Tape"},
    }};
    for (const auto& [present, column] : required) {
        if (!present) {
            return column;
        }
    }
    return std::nullopt;
}

// A clip's start, converted to 24 fps when asked; false (after the alert) when it has none or
// cannot be converted.
bool appendMediaStart(std::string& out, std::string_view value, bool convertStart,
                      UserInterface& ui) {
    if (value.empty()) {
        stopWithAlert(ui, "The starting timecode is missing!",
                      "There is no timecode value in the timecode column.");
        return false;
    }
    if (!convertStart) {
        appendTabField(out, value);
        return true;
    }
    const auto converted = tc30totc24(value);
    if (!converted) {
        stopWithAlert(ui, "The starting timecode is not valid!",
                      "The start \"" + std::string(value) +
                          "\" is not a 30 fps timecode (HH:MM:SS:FF, frames 00 to 29), "
                          "so it can't be converted to 24 fps.");
        return false;
    }
    out += *converted;
    return true;
}

// How one run writes its clip rows.
struct RowWriter {
    const BatchListColumns& list;
    const Ale2fcpOptions& options;
    bool convertStart;
    UserInterface& ui;

    // Appends one clip row with its "\r"; false (after the alert) when its start cannot be
    // written.
    bool append(std::string& out, const std::vector<std::string_view>& fields) const {
        for (std::size_t c = 0; c < list.columns.size(); ++c) {
            if (c > 0) {
                out += '\t';
            }
            const OutputColumn& column = list.columns[c];
            const std::string_view value = aleField(fields, column.field);
            if (column.key == ColumnKey::Tracks) {
                out += fcpTrackFields(value);
            } else if (column.key == ColumnKey::Name) {
                appendClipName(out, value, options);
            } else if (column.key == ColumnKey::MediaStart) {
                if (!appendMediaStart(out, value, convertStart, ui)) {
                    return false;
                }
            } else {
                appendTabField(out, value);
            }
        }
        if (options.aleCopyName) {
            out += '\t';
            appendTabField(out, aleField(fields, list.namePos));
        }
        out += '\r';
        return true;
    }
};

} // namespace

std::string truncateToUtf16Units(std::string_view name, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t at = 0;
    while (at < name.size()) {
        const auto lead = static_cast<unsigned char>(name[at]);
        std::size_t length = lead < 0x80    ? 1
                             : lead >= 0xF0 ? 4
                             : lead >= 0xE0 ? 3
                             : lead >= 0xC0 ? 2
                                            : 1;
        if (at + length > name.size()) {
            length = 1;
        }
        const std::size_t cost = length == 4 ? 2 : 1; // beyond U+FFFF: a surrogate pair
        if (units + cost > maxUnits) {
            break;
        }
        units += cost;
        at += length;
    }
    return std::string(name.substr(0, at));
}

std::string ALETools::ale2fcp(std::string_view rawAletxt, const Ale2fcpOptions& options) {
    const auto ale = readAle(rawAletxt, {AleReaderKind::Ale2fcp, options.myTVSys, {}}, m_ui, m_log);
    if (!ale) {
        return std::string(kAle2fcpFailed);
    }

    // 30 fps starts can become 24 fps ones only under 24 fps itself.
    const bool film24 = TvSystem::parse(options.myTVSys) == TvSystem::Film24;
    const bool startFromStart = !film24 || options.tcFieldName == kConvertStartTo24;
    const bool convertStart = film24 && options.tcFieldName == kConvertStartTo24;

    BatchListColumns list;
    for (std::size_t i = 0; i < ale->headerArray.size(); ++i) {
        addNamedColumns(list, i, ale->headerArray[i], startFromStart, m_log);
        addCommentColumns(list, i, ale->headerArray[i], options);
    }
    if (const auto missing = missingColumn(list)) {
        stopWithAlert(m_ui, "The column \"" + std::string(*missing) + "\" is missing!",
                      "You can't convert an ALE file without this column.");
        return std::string(kAle2fcpFailed);
    }

    std::string fcpTxt;
    fcpTxt.reserve(rawAletxt.size()); // a batch list is about as long as its log: no regrowth
    fcpTxt += list.titles;
    if (options.aleCopyName) {
        fcpTxt += "\tLabel 2";
    }
    fcpTxt += '\r';
    m_log("Starting to convert the ALE shot log...");

    const RowWriter rows{list, options, convertStart, m_ui};
    std::vector<std::string_view> fields;
    for (const std::string_view row : ale->clipRows) {
        splitAleFields(row, fields);
        if (!rows.append(fcpTxt, fields)) {
            return std::string(kAle2fcpFailed);
        }
    }
    m_log("Finished converting " + std::to_string(ale->clipRows.size()) + " clips.");
    return fcpTxt;
}

} // namespace korvel
