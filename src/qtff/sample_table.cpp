// SPDX-License-Identifier: MIT
#include "qtff/sample_table.h"

#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsz_atom.h"

#include <string>

namespace korvel::qtff {
namespace {

Error tableError(const char* table, const char* what) {
    return makeError(std::string("the '") + table + "' table " + what);
}

Status readSizes(const Atom* stsz, std::vector<Sample>& samples) {
    if (!stsz)
        return tableError("stsz", "is missing");
    auto table = StszAtom::parse(stsz->payload);
    if (!table)
        return table.error();
    if (table->uniformSize != 0 && table->sampleCount > (std::uint64_t(1) << 26))
        return tableError("stsz", "counts more samples than a movie can hold");
    samples.resize(table->sampleCount);
    for (std::uint32_t i = 0; i < table->sampleCount; ++i)
        samples[i].size = table->uniformSize != 0 ? table->uniformSize : table->sizes[i];
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
    auto table = CttsAtom::parse(ctts->payload);
    if (!table)
        return table.error();
    std::size_t index = 0;
    for (const auto& [run, offset] : table->entries) {
        for (std::uint32_t i = 0; i < run; ++i, ++index) {
            if (index >= samples.size())
                return tableError("ctts", "names more samples than 'stsz'");
            samples[index].compositionOffset = std::int32_t(offset);
        }
    }
    return {};
}

Status readSyncSamples(const Atom* stss, std::vector<Sample>& samples) {
    if (!stss)
        return {}; // no table: every sample is a sync sample
    auto table = StssAtom::parse(stss->payload);
    if (!table)
        return table.error();
    for (auto& s : samples)
        s.sync = false;
    for (const auto& [number] : table->entries) {
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
