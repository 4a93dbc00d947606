// SPDX-License-Identifier: MIT
// Final Cut Pro batch list to ALE shot logs. A batch list is a header line of tab-separated
// titles, then data rows (at least one tab), bin lines (no tab; the bin's name follows two leading
// characters) and empty lines; Final Cut Pro ends its lines in "\r", and "\n" or "\r\n" end them
// just as well. The known columns are kept under their ALE names, in the batch list's order; rows
// are kept by their "Type".
#include "platform/path_names.h"
#include "shotlog/ale_reader.h"
#include "shotlog/ale_tools.h"
#include "shotlog/tab_fields.h"

#include <algorithm>
#include <array>
#include <vector>

namespace korvel {
namespace {

struct ColumnMapping {
    std::string_view fcpTitle;
    std::string_view aleName;
};

constexpr std::array<ColumnMapping, 23> kColumnMappings = {{
    {"Name", "Name"},
    {"Media Start", "Start"},
    {"Media End", "End"},
    {"Tracks", "Tracks"},
    {"Reel", "Tape"},
    {"In", "Mark IN"},
    {"Out", "Mark OUT"},
    {"Shot/Take", "Take"},
    {"Scene", "Scene"},
    {"Description", "Description"},
    {"Label", "Label"},
    {"Label 2", "Label 2"},
    {"Comment 1", "Comment 1"},
    {"Master Comment 1", "Comment 1"},
    {"Comment 2", "Comment 2"},
    {"Master Comment 2", "Comment 2"},
    {"Comment 3", "Comment 3"},
    {"Master Comment 3", "Comment 3"},
    {"Comment 4", "Comment 4"},
    {"Master Comment 4", "Comment 4"},
    {"Log Note", "Log Note"},
    {"Aux TC 1", "Auxiliary TC1"},
    {"Aux TC 2", "Auxiliary TC2"},
}};

struct RequiredColumn {
    std::string_view title;
    std::string_view button;
};

constexpr std::array<RequiredColumn, 7> kRequiredColumns = {{
    {"Name", "Cancel"},
    {"Media Start", "Cancel"},
    {"Media End", "Cancel"},
    {"Tracks", "Cancel"},
    {"Audio", "?!**/%%?\?\?!!!!!?\?"}, // "\?" keeps "??!" from reading as a trigraph
    {"Reel", "Cancel"},
    {"Type", "Cancel"},
}};

constexpr std::string_view kPalHead =
    "Heading\rFIELD_DELIM\tTABS\rVIDEO_FORMAT\tPAL\rAUDIO_FORMAT\t48khz\rTAPE\tUnknown\rFPS\t25\r"
    "\rColumn\r";
constexpr std::string_view kNtscHead =
    "Heading\rFIELD_DELIM\tTABS\rVIDEO_FORMAT\tNTSC\rAUDIO_FORMAT\t48khz\rTAPE\tUnknown\rFPS\t29."
    "97\r\rColumn\r";

// The heading of the ALE: PAL's, NTSC's for NTSC (and any text that names no system, as it
// always was), and for the newer systems an HD heading with their rate.
std::string aleHeadOf(std::string_view tvsys) {
    const auto system = TvSystem::parse(tvsys);
    if (system == TvSystem::Pal) {
        return std::string(kPalHead);
    }
    if (!system || *system == TvSystem::Ntsc || *system == TvSystem::Film24) {
        return std::string(kNtscHead);
    }
    return "Heading\rFIELD_DELIM\tTABS\rVIDEO_FORMAT\t1080\rAUDIO_FORMAT\t48khz\rTAPE\tUnknown\r"
           "FPS\t" +
           std::string(aleFpsText(*system)) + "\r\rColumn\r";
}

std::string_view aleTracks(std::string_view tracks, std::string_view audio) {
    if (tracks == "1V, 2A") {
        return "VA1A2";
    }
    if (tracks == "1V") {
        return "V";
    }
    if (tracks == "2A") {
        return "A1A2";
    }
    if (tracks == "1V, 1A") {
        return audio == "A1" ? "VA1" : "VA2";
    }
    if (tracks == "1A") {
        return audio == "A1" ? "A1" : "A2";
    }
    return {};
}

std::string_view field(const std::vector<std::string_view>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string_view();
}

// The batch list's file name without its extension: the name a save panel that adds ".ale"
// proposes for it.
std::string proposedListName(std::string_view path) {
    return withoutExtension(fileNameOf(path));
}

// The text of a bin line after its first two characters (whole UTF-8 characters, so a name is
// never cut inside one).
std::string_view binName(std::string_view line) {
    std::size_t at = 0;
    for (int skipped = 0; skipped < 2 && at < line.size(); ++skipped) {
        ++at;
        while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) {
            ++at;
        }
    }
    return line.substr(at);
}

// The first column an ALE cannot be made without that the batch list lacks.
const RequiredColumn* missingColumn(const std::vector<std::string_view>& header) {
    for (const RequiredColumn& column : kRequiredColumns) {
        if (std::find(header.begin(), header.end(), column.title) == header.end()) {
            return &column;
        }
    }
    return nullptr;
}

// The ALE's columns in the batch list's order, and where the row's type and audio stand.
struct AleColumns {
    struct Column {
        std::size_t source;
        bool tracks;
    };
    std::vector<Column> columns;
    std::string titles;
    std::size_t typePos = 0;
    std::size_t audioPos = 0;

    explicit AleColumns(const std::vector<std::string_view>& header) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            add(i, header[i]);
        }
    }

    void add(std::size_t i, std::string_view title) {
        if (title == "Type") {
            typePos = i;
            return;
        }
        if (title == "Audio") {
            audioPos = i;
            return;
        }
        for (const ColumnMapping& mapping : kColumnMappings) {
            if (mapping.fcpTitle == title) {
                if (!columns.empty()) {
                    titles += '\t';
                }
                titles += mapping.aleName;
                columns.push_back({i, title == "Tracks"});
                return;
            }
        }
    }

    // One data row with its "\r".
    void appendRow(std::string& ale, const std::vector<std::string_view>& fields) const {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0) {
                ale += '\t';
            }
            const std::string_view value = field(fields, columns[c].source);
            appendTabField(ale,
                           columns[c].tracks ? aleTracks(value, field(fields, audioPos)) : value);
        }
        ale += '\r';
    }
};

// Whether a row of "Type" `type` is kept under "theClipType".
bool keepsType(std::string_view type, std::string_view clipType) {
    if (type == "Clip") {
        return clipType == "Clips only" || clipType == "Clips & SubClips";
    }
    if (type == "SubClip") {
        return clipType == "SubClips only" || clipType == "Clips & SubClips";
    }
    return false;
}

} // namespace

std::string ALETools::fcp2ale(std::string_view fcpTxt, const Fcp2aleOptions& options) {
    std::vector<std::string_view> lines;
    splitLines(fcpTxt, lines);
    std::vector<std::string_view> header;
    splitText(lines.front(), "\t", header);
    if (const RequiredColumn* column = missingColumn(header)) {
        stopWithAlert(m_ui, "The column \"" + std::string(column->title) + "\" is missing!",
                      "You can't convert a FCP batch List without this column.",
                      std::string(column->button));
        return "error";
    }
    const AleColumns columns(header);
    const std::string aleHead = aleHeadOf(options.tvsys) + columns.titles + "\r\rData\r";

    bool failed = false;
    std::string ale = aleHead;
    if (!options.seperateBins) {
        ale.reserve(aleHead.size() + fcpTxt.size()); // one ALE of every row: no regrowth
    }
    std::string aleName = proposedListName(options.filename);
    bool rowsPending = false;
    const auto saveCurrent = [&] {
        if (!saveAleFile(ale, aleName)) {
            failed = true;
        }
        ale = aleHead;
        rowsPending = false;
    };

    std::vector<std::string_view> fields;
    for (std::size_t l = 1; l < lines.size(); ++l) {
        const std::string_view line = lines[l];
        if (line.find('\t') == std::string_view::npos) {
            // Bin lines and empty lines end a bin only when bins are kept apart.
            if (!options.seperateBins) {
                continue;
            }
            if (rowsPending) {
                saveCurrent();
            }
            if (const std::string_view name = binName(line); !name.empty()) {
                aleName = std::string(name);
            }
            continue;
        }
        splitText(line, "\t", fields);
        if (keepsType(field(fields, columns.typePos), options.theClipType)) {
            columns.appendRow(ale, fields);
            rowsPending = true;
        }
    }
    if (rowsPending) {
        saveCurrent();
    }
    return failed ? "error" : "OK";
}

} // namespace korvel
