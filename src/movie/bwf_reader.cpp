// SPDX-License-Identifier: MIT
// BWF (Broadcast Wave) reading: a RIFF/WAVE file whose `bext` chunk (EBU Tech 3285) holds a
// description of KEY=value lines, originator texts, the origination date and time, and the time
// reference: the number of the first sample counted from midnight, 64 bits in two 32-bit halves.
// The `fmt ` chunk gives the channels, rate and block size. Chunks are found by walking the chunk
// list; the old scan of bytes 8 to 1024 serves only files whose list is broken.
#include "movie/bwf_reader.h"

#include "audio/riff_chunks.h"
#include "movie/exbuffer.h"
#include "platform/path_names.h"
#include "platform/preference_store.h"
#include "platform/text_file.h"
#include "timecode/frames2tc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace korvel {
namespace {

// Offsets inside the bext chunk, counted from the first byte of its ID. The time reference sits
// at 346, which is not 4-aligned: every field is decoded from its own offset.
constexpr std::size_t kDescriptionOffset = 8;
constexpr std::size_t kDescriptionWidth = 256;
constexpr std::size_t kOriginatorOffset = 264;
constexpr std::size_t kOriginatorRefOffset = 296;
constexpr std::size_t kOriginatorWidth = 32;
constexpr std::size_t kDateOffset = 328;
constexpr std::size_t kDateWidth = 10;
constexpr std::size_t kTimeOffset = 338;
constexpr std::size_t kTimeWidth = 8;
constexpr std::size_t kTimeReferenceLowOffset = 346;
constexpr std::size_t kTimeReferenceHighOffset = 350;
constexpr std::size_t kBextFixedPart = 354; // up to and including the time reference

// Offsets inside the fmt chunk, counted from its ID.
constexpr std::size_t kFormatRecord = 24;
constexpr std::size_t kChannelsOffset = 10;
constexpr std::size_t kSampleRateOffset = 12;
constexpr std::size_t kBitsPerSampleOffset = 22;

// A fixed-width text field: up to its first NUL byte or its end, whichever comes first. Bytes the
// chunk does not hold read as NUL.
std::string fieldText(const std::uint8_t* record, std::size_t filled, std::size_t offset,
                      std::size_t width) {
    if (offset >= filled) {
        return {};
    }
    const std::size_t available = std::min(width, filled - offset);
    const auto* begin = reinterpret_cast<const char*>(record + offset);
    const void* nul = std::memchr(begin, 0, available);
    const std::size_t length = nul != nullptr
                                   ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin)
                                   : available;
    // Recorders write these fields in UTF-8 or in a Windows code page; keep the first, read the
    // second as Windows-1252, so the record is always valid UTF-8.
    return utf8OrWindows1252({begin, length});
}

// Lines end at CR LF, at a lone LF or at a lone CR; the last line counts even when nothing
// closes it.
std::vector<std::string_view> descriptionLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// Length in bytes of the first character of UTF-8 text.
std::size_t firstCharacterLength(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    const auto byte = static_cast<unsigned char>(text[0]);
    const std::size_t length = byte < 0x80             ? 1
                               : (byte & 0xE0) == 0xC0 ? 2
                               : (byte & 0xF0) == 0xE0 ? 3
                                                       : 4;
    return std::min(length, text.size());
}

// The first `count` characters of UTF-8 text.
std::string firstCharacters(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t n = 0; n < count && end < text.size(); ++n) {
        end += firstCharacterLength(text.substr(end));
    }
    return std::string(text.substr(0, end));
}

// The value of `key` in `line` when the line holds it after its prefix character.
std::optional<std::string> keyValue(std::string_view line, std::string_view key) {
    const std::size_t prefix = firstCharacterLength(line);
    if (prefix == 0 || line.size() < prefix + key.size() ||
        line.substr(prefix, key.size()) != key) {
        return std::nullopt;
    }
    return std::string(line.substr(prefix + key.size()));
}

// The sample size the format chunk declares, whatever the channel count and sample format.
std::string bitRateText(std::uint16_t bitsPerSample) {
    return bitsPerSample != 0 ? std::to_string(bitsPerSample) : "??";
}

// Reads the part of a chunk the reader needs into `record`: the chunk's own bytes only, the rest
// left zero. Answers how many bytes of the record were filled.
std::size_t readRecord(ByteSource& source, const RiffChunk& chunk, std::uint8_t* record,
                       std::size_t recordSize) {
    std::memset(record, 0, recordSize);
    const std::uint64_t chunkBytes = 8 + chunk.size;
    const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(recordSize, chunkBytes));
    EXBuffer buffer = EXBuffer::bufferWithMemory(record, wanted);
    auto got = readDataIntoBuffer(source, chunk.headerOffset, buffer);
    return got ? *got : 0;
}

// The fixed part of the bext chunk as the file holds it.
struct BextRecord {
    std::array<std::uint8_t, kBextFixedPart> bytes{};
    std::size_t filled = 0;

    std::string text(std::size_t offset, std::size_t width) const {
        return fieldText(bytes.data(), filled, offset, width);
    }
    // The time reference is 64 bits: ignoring the high half puts a 96 kHz recording made after
    // about 12:25 (or a 192 kHz one after 06:12) at the wrong start.
    std::uint64_t timeReference() const {
        return static_cast<std::uint64_t>(littleToHost32(bytes.data() + kTimeReferenceLowOffset)) |
               (static_cast<std::uint64_t>(littleToHost32(bytes.data() + kTimeReferenceHighOffset))
                << 32);
    }
};

std::optional<BextRecord> readBext(ByteSource& source, const RiffLayout& layout) {
    const auto chunk = locateChunk(source, layout, "bext");
    if (!chunk) {
        return std::nullopt;
    }
    BextRecord record;
    record.filled = readRecord(source, *chunk, record.bytes.data(), record.bytes.size());
    return record;
}

// The description's KEY=value lines: later lines override earlier ones.
void readDescription(BwfInfo& info, const std::string& description, bool tapeFromFile,
                     const std::string& fileName) {
    bool hasTake = false;
    for (std::string_view line : descriptionLines(description)) {
        if (auto tape = keyValue(line, "TAPE="); tape && tapeFromFile) {
            info.set(bwfkey::kReel, tape->empty() ? fileName : *tape);
        }
        if (auto scene = keyValue(line, "SCENE=")) {
            info.set(bwfkey::kScene, *scene);
        }
        if (auto take = keyValue(line, "TAKE=")) {
            info.set(bwfkey::kShotTake, *take);
            hasTake = true;
        }
        if (auto note = keyValue(line, "NOTE=")) {
            info.set(bwfkey::kLogNote, *note);
        }
        if (auto ubits = keyValue(line, "UBITS=")) {
            info.set(bwfkey::kComment2, "Userbits: " + *ubits + " |");
            info.set(bwfkey::kUserbit, *ubits);
        }
    }
    // Recorders write the lines in their own order (Sound Devices puts TAKE before SCENE), so
    // the description joins the final scene and take.
    if (hasTake) {
        info.set(bwfkey::kDescription,
                 info.value(bwfkey::kScene) + "/" + info.value(bwfkey::kShotTake));
    }
}

void chooseReel(BwfInfo& info, const std::string& select, const std::string& fileName,
                const std::string& baseName) {
    if (select == "BWF File Name") {
        info.set(bwfkey::kReel, fileName);
    } else if (select == "BWF File Name Without Extension") {
        info.set(bwfkey::kReel, baseName);
    } else if (select == "First 6 characters of File Name") {
        info.set(bwfkey::kReel, firstCharacters(baseName, 6));
    } else if (select != "TapeID from BWF File") {
        info.set(bwfkey::kReel, baseName);
    }
}

// An iXML chunk is a few kilobytes; a longer one is read only this far.
constexpr std::size_t kMaxIxmlBytes = 1 << 20;

std::optional<RecorderRate> readRecorderRate(ByteSource& source, const RiffLayout& layout) {
    const auto chunk = locateChunk(source, layout, "iXML");
    if (!chunk) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(8 + std::min<std::uint64_t>(chunk->size, kMaxIxmlBytes));
    const std::size_t filled = readRecord(source, *chunk, bytes.data(), bytes.size());
    if (filled <= 8) {
        return std::nullopt;
    }
    return parseRecorderRate({reinterpret_cast<const char*>(bytes.data()) + 8, filled - 8});
}

void readFormat(BwfInfo& info, ByteSource& source, const RiffChunk& fmtChunk,
                std::uint64_t timeReference, std::optional<BwfFrameRate> frameRate) {
    std::array<std::uint8_t, kFormatRecord> format{};
    readRecord(source, fmtChunk, format.data(), format.size());
    const std::uint32_t sampleRate = littleToHost32(format.data() + kSampleRateOffset);
    const auto rate =
        sampleRate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())
            ? 0
            : static_cast<std::int32_t>(sampleRate);
    info.set(bwfkey::kMediaStart,
             frameRate ? frames2tc(timeReference, rate, *frameRate) : "00:00:00:00");
    info.set(bwfkey::kSampleRate, std::to_string(sampleRate));
    info.set(bwfkey::kBitRate, bitRateText(littleToHost16(format.data() + kBitsPerSampleOffset)));
    info.set(bwfkey::kTracks,
             std::to_string(littleToHost16(format.data() + kChannelsOffset)) + "A");
}

} // namespace

BwfReadOptions bwfReadOptions(const PreferenceStore& prefs) {
    BwfReadOptions options;
    if (auto rate = prefs.string("BWFfpsRate")) {
        options.bwfFpsRate = BwfFrameRate::parse(*rate);
    }
    if (auto tapeId = prefs.string("BWFTapeIDSelect")) {
        options.bwfTapeIdSelect = *tapeId;
    }
    return options;
}

Status checkWaveFile(ByteSource& source) {
    if (walkRiffChunks(source).form == RiffForm::Unknown) {
        return makeError("not a WAVE file (it does not start with a RIFF, RF64 or BW64 WAVE "
                         "header)");
    }
    return {};
}

Status checkWaveFile(const std::string& inputFile) {
    auto source = FileByteSource::open(inputFile);
    if (!source) {
        return source.error();
    }
    return checkWaveFile(**source);
}

std::optional<std::uint64_t> bwfTimeReference(const std::string& inputFile) {
    auto source = FileByteSource::open(inputFile);
    if (!source) {
        return std::nullopt;
    }
    const auto bext = readBext(**source, walkRiffChunks(**source));
    return bext ? std::optional(bext->timeReference()) : std::nullopt;
}

std::optional<RecorderRate> bwfRecorderRate(const std::string& inputFile) {
    auto source = FileByteSource::open(inputFile);
    if (!source) {
        return std::nullopt;
    }
    return readRecorderRate(**source, walkRiffChunks(**source));
}

BwfFrameRate usedFrameRate(BwfFrameRate choice, const std::optional<RecorderRate>& recorder) {
    if (!choice.fromRecorder()) {
        return choice;
    }
    const auto known =
        recorder ? BwfFrameRate::fromRate(recorder->rate, recorder->dropFrame) : std::nullopt;
    return known.value_or(BwfFrameRate{BwfFrameRate::Kind::Pal});
}

BwfInfo getBWF2Info(const std::string& inputFile, const BwfReadOptions& options) {
    auto source = FileByteSource::open(inputFile);
    if (!source) {
        MemoryByteSource nothing({});
        return getBWF2Info(nothing, inputFile, options);
    }
    return getBWF2Info(**source, inputFile, options);
}

BwfInfo getBWF2Info(ByteSource& source, std::string_view inputFile, const BwfReadOptions& options) {
    const std::string fileName = fileNameOf(inputFile);
    const std::string baseName = withoutExtension(fileName);
    BwfInfo info = BwfInfo::withReaderKeys();
    info.set(bwfkey::kReel, baseName);

    const RiffLayout layout = walkRiffChunks(source);
    const auto bext = readBext(source, layout);
    if (!bext) {
        info.set(bwfkey::kContainsBext, "NO");
        return info;
    }
    const auto recorder = readRecorderRate(source, layout);
    if (recorder) {
        info.set(bwfkey::kRecorderRate, recorder->text());
    }
    if (const auto fmtChunk = locateChunk(source, layout, "fmt ")) {
        const auto frameRate = options.bwfFpsRate
                                   ? std::optional(usedFrameRate(*options.bwfFpsRate, recorder))
                                   : std::nullopt;
        readFormat(info, source, *fmtChunk, bext->timeReference(), frameRate);
    }

    const bool tapeFromFile = options.bwfTapeIdSelect == "TapeID from BWF File";
    readDescription(info, bext->text(kDescriptionOffset, kDescriptionWidth), tapeFromFile,
                    fileName);
    chooseReel(info, options.bwfTapeIdSelect, fileName, baseName);

    const std::string originator = bext->text(kOriginatorOffset, kOriginatorWidth);
    const std::string originatorRef = bext->text(kOriginatorRefOffset, kOriginatorWidth);
    info.set(bwfkey::kComment2, info.value(bwfkey::kComment2) + " Originator: " + originator +
                                    " | Originator Reference: " + originatorRef);
    info.set(bwfkey::kOriginator, originator);
    info.set(bwfkey::kOriginatorReference, originatorRef);
    info.set(bwfkey::kComment1,
             "Origination Date and Time: " + bext->text(kDateOffset, kDateWidth) + " @ " +
                 bext->text(kTimeOffset, kTimeWidth));
    info.set(bwfkey::kComment4, "Original Filename: " + fileName);

    info.set(bwfkey::kName, baseName + ".mov");
    return info;
}

} // namespace korvel
