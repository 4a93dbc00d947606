// SPDX-License-Identifier: MIT
#include "qtff/sample_table.h"

#include "qtff/byte_reader.h"

#include <string>

namespace korvel::qtff {
namespace {

Error tableError(const char* table, const char* what) {
    return makeError(std::string("the '") + table + "' table " + what);
}

// Entry count of a full-atom table whose entries start at `headerSize`, checked against its size.
Result<std::uint32_t> entryCount(const Atom& table, std::size_t entrySize,
                                 std::size_t headerSize = 8) {
    if (table.payload.size() < headerSize)
        return makeError("a sample table is too short");
    const std::uint32_t count = loadU32(&table.payload[headerSize - 4]);
    if ((table.payload.size() - headerSize) / entrySize < count)
        return makeError("a sample table is cut short");
    return count;
}

Status readSizes(const Atom* stsz, std::vector<Sample>& samples) {
    if (!stsz)
        return tableError("stsz", "is missing");
    if (stsz->payload.size() < 12)
        return tableError("stsz", "is too short");
    const std::uint32_t uniform = loadU32(&stsz->payload[4]);
    const std::uint32_t count = loadU32(&stsz->payload[8]);
    if (uniform == 0) {
        auto checked = entryCount(*stsz, 4, 12);
        if (!checked)
            return checked.error();
    } else if (count > (std::uint64_t(1) << 26)) {
        return tableError("stsz", "counts more samples than a movie can hold");
    }
    samples.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        samples[i].size = uniform != 0 ? uniform : loadU32(&stsz->payload[12 + 4 * std::size_t(i)]);
    return {};
}

Status readTimes(const TrackInfo& info, std::vector<Sample>& samples) {
    std::size_t index = 0;
    std::int64_t time = 0;
    for (const auto& [count, duration] : info.timeToSample) {
        for (std::uint32_t i = 0; i < count; ++i, ++index) {
            if (index >= samples.size())
                return tableError("stts", "names more samples than 'stsz'");
            samples[index].decodeTime = time;
            samples[index].duration = duration;
            time += duration;
        }
    }
    if (index != samples.size())
        return tableError("stts", "names fewer samples than 'stsz'");
    return {};
}

Status readCompositionOffsets(const Atom* ctts, std::vector<Sample>& samples) {
    if (!ctts)
        return {};
    auto count = entryCount(*ctts, 8);
    if (!count)
        return count.error();
    std::size_t index = 0;
    for (std::uint32_t e = 0; e < *count; ++e) {
        const auto* p = &ctts->payload[8 + 8 * std::size_t(e)];
        const std::uint32_t run = loadU32(p);
        const auto offset = static_cast<std::int32_t>(loadU32(p + 4));
        for (std::uint32_t i = 0; i < run; ++i, ++index) {
            if (index >= samples.size())
                return tableError("ctts", "names more samples than 'stsz'");
            samples[index].compositionOffset = offset;
        }
    }
    return {};
}

Status readSyncSamples(const Atom* stss, std::vector<Sample>& samples) {
    if (!stss)
        return {}; // no table: every sample is a sync sample
    auto count = entryCount(*stss, 4);
    if (!count)
        return count.error();
    for (auto& s : samples)
        s.sync = false;
    for (std::uint32_t e = 0; e < *count; ++e) {
        const std::uint32_t number = loadU32(&stss->payload[8 + 4 * std::size_t(e)]);
        if (number == 0 || number > samples.size())
            return tableError("stss", "names a sample that does not exist");
        samples[number - 1].sync = true;
    }
    return {};
}

Status readOffsets(const TrackInfo& info, std::vector<Sample>& samples) {
    const auto& runs = info.sampleToChunk;
    const auto chunks = info.chunkOffsets.size();
    std::size_t index = 0;
    for (std::size_t r = 0; r < runs.size() && index < samples.size(); ++r) {
        const std::uint64_t first = runs[r][0];
        const std::uint64_t end = r + 1 < runs.size() ? std::uint64_t(runs[r + 1][0]) : chunks + 1;
        if (first == 0 || end < first || end > chunks + 1)
            return tableError("stsc", "names a chunk that does not exist");
        for (std::uint64_t chunk = first; chunk < end && index < samples.size(); ++chunk) {
            std::uint64_t offset = info.chunkOffsets[chunk - 1];
            for (std::uint32_t i = 0; i < runs[r][1] && index < samples.size(); ++i, ++index) {
                samples[index].offset = offset;
                samples[index].descriptionIndex = runs[r][2];
                offset += samples[index].size;
            }
        }
    }
    if (index != samples.size())
        return tableError("stsc", "places fewer samples than 'stsz' holds");
    return {};
}

} // namespace

Result<SampleTable> readSampleTable(const Atom& trak) {
    auto info = readTrackInfo(trak, TrackDetail::Full);
    if (!info)
        return info.error();
    const auto* stbl = trak.find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")});
    if (!stbl)
        return makeError("the track has no sample table");
    SampleTable table;
    if (auto s = readSizes(stbl->child(fourCC("stsz")), table.samples); !s)
        return s.error();
    if (auto s = readTimes(*info, table.samples); !s)
        return s.error();
    if (auto s = readCompositionOffsets(stbl->child(fourCC("ctts")), table.samples); !s)
        return s.error();
    if (auto s = readSyncSamples(stbl->child(fourCC("stss")), table.samples); !s)
        return s.error();
    if (auto s = readOffsets(*info, table.samples); !s)
        return s.error();
    return table;
}

} // namespace korvel::qtff
