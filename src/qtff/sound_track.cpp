// SPDX-License-Identifier: MIT
#include "qtff/sound_track.h"

#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/mdhd_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsd_atom.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/byte_reader.h"
#include "qtff/byte_writer.h"
#include "qtff/movie.h"
#include "qtff/track_builder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace korvel::qtff {
namespace {

constexpr std::uint32_t kSoundTrackId = 1;
constexpr std::size_t kMdatHeader = 16; // 64-bit size: the length is known only at the end
constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;
// A sound chunk holds half a second, but never fewer bytes than this: at a rate of a few hertz
// half a second is a frame or two, and a chunk per frame would make the header larger than
// the sound.
constexpr std::uint64_t kMinChunkBytes = 4096;
// QuickTime keeps time scales in a signed 32-bit field.
constexpr std::uint32_t kMaxSampleRate = 0x7FFFFFFF;

enum LpcmFlags : std::uint32_t { kFloat = 0x1, kSignedInteger = 0x4, kPacked = 0x8 };

void soundPrefix(ByteWriter& w, FourCC format, std::uint16_t version) {
    w.u32(0); // size, patched below
    w.fourCC(format);
    w.zeros(6);
    w.u16(1); // data reference index
    w.u16(version);
    w.u16(0); // revision
    w.u32(0); // vendor
}

std::vector<std::uint8_t> finishEntry(ByteWriter& w) {
    w.patchU32(0, static_cast<std::uint32_t>(w.size()));
    return w.take();
}

Atom smhd() {
    ByteWriter w;
    w.u32(0); // version, flags
    w.u16(0); // balance: centre
    w.u16(0);
    return Atom::leaf(fourCC("smhd"), w.take());
}

std::uint32_t framesPerChunk(const SoundFormat& format) {
    const std::uint64_t halfSecond = std::max<std::uint32_t>(1, format.sampleRate / 2);
    const std::uint64_t byBytes =
        (kMinChunkBytes + format.bytesPerFrame() - 1) / format.bytesPerFrame();
    return static_cast<std::uint32_t>(std::max(halfSecond, byBytes));
}

// The header of a movie of the sound track, `duration` long in `timeScale`, and the timecode
// track when asked for, its sample at `timecodeOffset`.
Result<Movie> soundMovie(Atom sound, std::uint32_t timeScale, std::uint64_t duration,
                         const std::optional<TimecodeTrackOptions>& timecode,
                         std::uint64_t timecodeOffset) {
    const MvhdAtom header{.creationTime = macTimeNow(),
                          .timeScale = timeScale,
                          .duration = duration,
                          .nextTrackId = kSoundTrackId + 1,
                          .extra = {}};
    Movie movie(Atom::box(fourCC("moov"), {makeHeader(header), std::move(sound)}));
    if (timecode) {
        if (auto added = addTimecodeTrack(movie, *timecode, timecodeOffset); !added) {
            return added.error();
        }
    }
    return movie;
}

} // namespace

Status checkSoundFormat(const SoundFormat& format) {
    if (format.bytesPerFrame() == 0) {
        return makeError("cannot write a sound track of " + std::to_string(format.channels) +
                         " channels");
    }
    if (format.sampleRate == 0 || format.sampleRate > kMaxSampleRate) {
        return makeError("a sample rate of " + std::to_string(format.sampleRate) +
                         " Hz cannot be declared in a movie (1 to " +
                         std::to_string(kMaxSampleRate) + " Hz)");
    }
    return {};
}

std::uint32_t SoundFormat::bytesPerSample() const {
    switch (encoding) {
    case PcmEncoding::Int16LE:
        return 2;
    case PcmEncoding::Int24LE:
        return 3;
    case PcmEncoding::Float32LE:
        return 4;
    }
    return 0;
}

std::vector<std::uint8_t> makeSoundSampleDescription(const SoundFormat& format) {
    ByteWriter w;
    const bool classicRate = format.sampleRate <= 0xFFFF;
    if (format.encoding == PcmEncoding::Int16LE && format.channels <= 2 && classicRate) {
        soundPrefix(w, fourCC("sowt"), 0);
        w.u16(format.channels);
        w.u16(16);
        w.u16(0); // compression ID
        w.u16(0); // packet size
        w.u32(format.sampleRate << 16);
        return finishEntry(w);
    }
    if (format.encoding == PcmEncoding::Int24LE && format.channels <= 2 && classicRate) {
        soundPrefix(w, fourCC("in24"), 1);
        w.u16(format.channels);
        w.u16(16); // larger samples keep 16 here; the version 1 fields say 3 bytes
        w.u16(0);
        w.u16(0);
        w.u32(format.sampleRate << 16);
        w.u32(1);                    // samples per packet
        w.u32(3);                    // bytes per packet
        w.u32(3u * format.channels); // bytes per frame
        w.u32(2);                    // bytes per sample, as QuickTime writes it
        auto wave = w.beginAtom(fourCC("wave"));
        auto frma = w.beginAtom(fourCC("frma"));
        w.fourCC(fourCC("in24"));
        w.endAtom(frma);
        auto enda = w.beginAtom(fourCC("enda"));
        w.u16(1); // little-endian
        w.endAtom(enda);
        w.u32(8); // terminator
        w.u32(0);
        w.endAtom(wave);
        return finishEntry(w);
    }
    soundPrefix(w, fourCC("lpcm"), 2);
    w.u16(3);
    w.u16(16);
    w.u16(0xFFFE);
    w.u16(0);
    w.u32(0x00010000);
    w.u32(72); // size of the fixed part
    w.u64(std::bit_cast<std::uint64_t>(static_cast<double>(format.sampleRate)));
    w.u32(format.channels);
    w.u32(0x7F000000);
    w.u32(format.bytesPerSample() * 8);
    w.u32(format.encoding == PcmEncoding::Float32LE ? (kFloat | kPacked)
                                                    : (kSignedInteger | kPacked));
    w.u32(format.bytesPerFrame());
    w.u32(1); // frames per packet
    return finishEntry(w);
}

std::optional<SoundFormat> soundFormatOf(std::span<const std::uint8_t> bytes) {
    ByteReader r(bytes);
    (void)r.u32(); // size: the span is the entry
    const FourCC format = r.fourCC();
    (void)r.bytes<16>(); // reserved, data reference index, version, revision, vendor
    const std::uint16_t classicChannels = r.u16();
    (void)r.bytes<6>();                              // sample size, compression ID, packet size
    const std::uint32_t classicRate = r.u32() >> 16; // 16.16
    if (r.failed()) {
        return std::nullopt;
    }
    if (format == fourCC("sowt") || format == fourCC("in24")) {
        return SoundFormat{format == fourCC("sowt") ? PcmEncoding::Int16LE : PcmEncoding::Int24LE,
                           classicChannels, classicRate};
    }
    // Version 2 keeps its own fields after the classic ones.
    (void)r.u32(); // their size
    const double rate = std::bit_cast<double>(r.u64());
    const std::uint32_t channels = r.u32();
    (void)r.u32(); // always 0x7F000000
    const std::uint32_t bits = r.u32();
    const bool isFloat = (r.u32() & kFloat) != 0;
    if (format != fourCC("lpcm") || r.failed()) {
        return std::nullopt;
    }
    if (!(rate >= 1 && rate <= kMaxSampleRate) || channels > 0xFFFF) {
        return std::nullopt;
    }
    const std::optional<PcmEncoding> encoding =
        isFloat      ? (bits == 32 ? std::optional(PcmEncoding::Float32LE) : std::nullopt)
        : bits == 16 ? std::optional(PcmEncoding::Int16LE)
        : bits == 24 ? std::optional(PcmEncoding::Int24LE)
                     : std::nullopt;
    if (!encoding) {
        return std::nullopt;
    }
    return SoundFormat{*encoding, static_cast<std::uint16_t>(channels),
                       static_cast<std::uint32_t>(rate)};
}

Atom makeAliasDinf(const std::string& absolutePath) {
    const std::size_t slash = absolutePath.find_last_of('/');
    const std::string fileName =
        slash == std::string::npos ? absolutePath : absolutePath.substr(slash + 1);
    // The absolute path in the HFS form: the volume name (empty here: the path starts at the
    // root), then the components joined by ':'.
    std::string hfsPath = absolutePath;
    std::replace(hfsPath.begin(), hfsPath.end(), '/', ':');

    ByteWriter record;
    record.u32(0); // application creator
    record.u16(0); // record size, patched below
    record.u16(2); // version
    record.u16(0); // kind: file
    record.u8(0);  // volume name (Pascal string in 28 bytes)
    record.zeros(27);
    record.u32(0); // volume creation date
    record.u16(0); // file system type
    record.u16(0); // drive type
    record.u32(0); // parent directory ID
    const std::size_t nameLength = std::min<std::size_t>(fileName.size(), 63);
    record.u8(static_cast<std::uint8_t>(nameLength)); // file name (Pascal string in 64 bytes)
    record.text(std::string_view(fileName).substr(0, nameLength));
    record.zeros(63 - nameLength);
    record.u32(0); // file number
    record.u32(0); // file creation date
    record.u32(0); // file type
    record.u32(0); // file creator
    record.u16(0); // levels up to a common folder: none, the path is absolute
    record.u16(0); // levels down to the target
    record.u32(0); // volume attributes
    record.u16(0); // volume file system ID
    record.zeros(10);
    const std::size_t pathLength = std::min<std::size_t>(hfsPath.size(), 0xFFFE);
    record.u16(2); // item: absolute path
    record.u16(static_cast<std::uint16_t>(pathLength));
    record.text(std::string_view(hfsPath).substr(0, pathLength));
    if (pathLength % 2 != 0) {
        record.u8(0);
    }
    record.u16(0xFFFF); // end of the items
    record.u16(0);
    // Record size (16 bits) and version 2, as one 32-bit field.
    record.patchU32(4, (static_cast<std::uint32_t>(record.size()) << 16) | 2);

    ByteWriter dref;
    dref.u32(0);
    dref.u32(1);
    auto entry = dref.beginFullAtom(fourCC("alis"), 0, 0); // flag 0: the data is elsewhere
    dref.bytes(record.data());
    dref.endAtom(entry);
    return Atom::box(fourCC("dinf"), {Atom::leaf(fourCC("dref"), dref.take())});
}

Result<Atom> makeSoundTrack(std::uint32_t trackId, const SoundFormat& format, std::uint64_t frames,
                            std::uint64_t firstOffset, std::uint32_t movieTimeScale,
                            const std::optional<std::string>& dataFile) {
    if (Status status = checkSoundFormat(format); !status) {
        return status.error();
    }
    if (frames > 0xFFFFFFFFull) {
        return makeError(std::to_string(frames) +
                         " sample frames are more than a sound track holds (2^32 - 1)");
    }
    // Track and edit durations in the movie time scale, rounded to the nearest unit.
    const std::uint64_t duration =
        (frames * movieTimeScale + format.sampleRate / 2) / format.sampleRate;
    const std::uint64_t now = macTimeNow();

    const std::uint32_t chunkFrames = framesPerChunk(format);
    std::vector<std::uint64_t> offsets;
    U32Entries<3> stsc;
    offsets.reserve(static_cast<std::size_t>(frames / chunkFrames + 1));
    for (std::uint64_t frame = 0; frame < frames; frame += chunkFrames) {
        offsets.push_back(firstOffset + frame * format.bytesPerFrame());
    }
    if (!offsets.empty()) {
        stsc.push_back({1, chunkFrames, 1});
        const auto last =
            static_cast<std::uint32_t>(frames - (offsets.size() - 1) * std::uint64_t{chunkFrames});
        if (last != chunkFrames) {
            if (offsets.size() == 1) {
                stsc.front()[1] = last;
            } else {
                stsc.push_back({static_cast<std::uint32_t>(offsets.size()), last, 1});
            }
        }
    }
    U32Entries<2> stts;
    if (frames > 0) {
        stts.push_back({static_cast<std::uint32_t>(frames), 1});
    }
    Atom stbl = Atom::box(fourCC("stbl"),
                          {toAtom(StsdAtom::of({makeSoundSampleDescription(format)})),
                           toAtom(SttsAtom{0, stts}), toAtom(StscAtom{0, stsc}),
                           toAtom(StszAtom{0, format.bytesPerFrame(), std::uint32_t(frames), {}}),
                           toAtom(ChunkOffsetAtom::of(std::move(offsets)))});
    Atom minf = Atom::box(fourCC("minf"),
                          {smhd(), makeSelfDataHandler(),
                           dataFile ? makeAliasDinf(*dataFile) : makeSelfDinf(), std::move(stbl)});
    Atom mdia = Atom::box(
        fourCC("mdia"),
        {makeHeader(MdhdAtom{
             .creationTime = now, .timeScale = format.sampleRate, .duration = frames, .extra = {}}),
         makeMediaHandler(fourCC("soun"), "Sound Media Handler"), std::move(minf)});
    const TkhdAtom tkhd{.creationTime = now,
                        .trackId = trackId,
                        .duration = duration,
                        .volume = 0x0100,
                        .extra = {}};
    return Atom::box(fourCC("trak"), {makeHeader(tkhd), makeEdts(duration), std::move(mdia)});
}

Result<std::unique_ptr<SoundMovieWriter>>
SoundMovieWriter::create(const std::string& path, const SoundMovieOptions& options) {
    if (Status status = checkSoundFormat(options.format); !status) {
        return status.error();
    }
    auto temporary = TemporaryFile::createBeside(path);
    if (!temporary) {
        return temporary.error();
    }
    std::FILE* file = ::fdopen(temporary->descriptor(), "wb");
    if (file == nullptr) {
        return makeError("cannot write " + temporary->path() + ": " + std::strerror(errno));
    }
    temporary->releaseDescriptor(); // the stream closes it
    std::setvbuf(file, nullptr, _IOFBF, kWriteBuffer);
    ByteWriter w;
    writeAtom(w, makeQuickTimeFtyp());
    const std::uint64_t mdatOffset = w.size();
    w.u32(1); // 64-bit size follows
    w.fourCC(fourCC("mdat"));
    w.u64(0); // patched by finish()
    auto writer = std::unique_ptr<SoundMovieWriter>(
        new SoundMovieWriter(file, std::move(*temporary), options, mdatOffset));
    if (Status status = writer->writeBytes(w.data()); !status) {
        return status.error();
    }
    return writer;
}

SoundMovieWriter::~SoundMovieWriter() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

Status SoundMovieWriter::writeBytes(std::span<const std::uint8_t> bytes) {
    if (m_file == nullptr) {
        return makeError("write after the end of " + m_temporary.target());
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        return makeError("cannot write " + m_temporary.path() + ": " + std::strerror(errno));
    }
    return {};
}

Status SoundMovieWriter::write(std::span<const std::uint8_t> samples) {
    if (Status status = writeBytes(samples); !status) {
        return status;
    }
    m_sampleBytes += samples.size();
    return {};
}

Status SoundMovieWriter::copyFrom(const std::string& sourcePath, std::uint64_t offset,
                                  std::uint64_t length) {
    if (m_file == nullptr) {
        return makeError("write after the end of " + m_temporary.target());
    }
    if (std::fflush(m_file) != 0) {
        return makeError("cannot write " + m_temporary.path() + ": " + std::strerror(errno));
    }
    const int in = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return makeError("cannot open " + sourcePath + ": " + std::strerror(errno));
    }
    const int out = ::fileno(m_file);
    auto position = static_cast<off_t>(offset);
    std::uint64_t left = length;
    bool failed = false;
#ifdef __linux__
    while (left > 0) {
        const ssize_t copied =
            ::copy_file_range(in, &position, out, nullptr,
                              static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 30)), 0);
        if (copied <= 0) {
            break; // not supported here, or the source ended: the loop below finds out which
        }
        left -= static_cast<std::uint64_t>(copied);
    }
#endif
    std::vector<std::uint8_t> buffer;
    while (left > 0 && !failed) {
        buffer.resize(kWriteBuffer);
        const ssize_t got = ::pread(
            in, buffer.data(),
            static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size())), position);
        if (got == 0) {
            break; // the source ended early: said below, errno has nothing to tell
        }
        if (got < 0) {
            failed = true;
            break;
        }
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            const ssize_t written =
                ::write(out, buffer.data() + done, static_cast<std::size_t>(got) - done);
            if (written <= 0) {
                failed = true;
                break;
            }
            done += static_cast<std::size_t>(written);
        }
        position += got;
        left -= static_cast<std::uint64_t>(got);
    }
    const int error = errno;
    ::close(in);
    // The stream writes on at the end of what the kernel copied.
    if (std::fseek(m_file, 0, SEEK_END) != 0 || failed) {
        return makeError("cannot copy the samples of " + sourcePath + ": " + std::strerror(error));
    }
    if (left > 0) {
        return makeError("cannot copy the samples of " + sourcePath +
                         ": the file ended early: " + std::to_string(length - left) + " of " +
                         std::to_string(length) + " bytes copied");
    }
    m_sampleBytes += length;
    return {};
}

std::uint64_t SoundMovieWriter::framesWritten() const {
    return m_sampleBytes / m_options.format.bytesPerFrame();
}

Status SoundMovieWriter::finish(ExistingTarget existing) {
    const SoundFormat& format = m_options.format;
    if (m_sampleBytes % format.bytesPerFrame() != 0) {
        return makeError(m_temporary.target() + ": the samples end inside a frame");
    }
    const std::uint64_t frames = framesWritten();
    const std::uint64_t samplesOffset = m_mdatOffset + kMdatHeader;
    std::uint64_t mdatSize = kMdatHeader + m_sampleBytes;
    const std::uint64_t timecodeOffset = samplesOffset + m_sampleBytes;
    if (m_options.timecode) {
        const auto sample = timecodeSample(m_options.timecode->startFrame);
        if (Status status = writeBytes(sample); !status) {
            return status;
        }
        mdatSize += sample.size();
    }

    // The movie time scale is the sample rate, so the sound's duration is exact.
    const std::uint32_t timeScale = format.sampleRate;
    auto sound = makeSoundTrack(kSoundTrackId, format, frames, samplesOffset, timeScale);
    if (!sound) {
        return sound.error();
    }
    auto movie =
        soundMovie(std::move(*sound), timeScale, frames, m_options.timecode, timecodeOffset);
    if (!movie) {
        return movie.error();
    }
    if (Status status = writeBytes(movie->bytes()); !status) {
        return status;
    }

    ByteWriter size;
    size.u64(mdatSize);
    bool ok = std::fflush(m_file) == 0 &&
              std::fseek(m_file, static_cast<long>(m_mdatOffset + 8), SEEK_SET) == 0 &&
              std::fwrite(size.data().data(), 1, 8, m_file) == 8 && std::fflush(m_file) == 0 &&
              ::fsync(::fileno(m_file)) == 0;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (!ok) {
        return makeError("cannot finish " + m_temporary.path() + ": " + std::strerror(errno));
    }
    return m_temporary.commit(existing);
}

Status writeReferenceSoundMovie(const std::string& path, const SoundMovieOptions& options,
                                const std::string& dataFile, std::uint64_t dataOffset,
                                std::uint64_t frames, ExistingTarget existing) {
    const SoundFormat& format = options.format;
    auto sound =
        makeSoundTrack(kSoundTrackId, format, frames, dataOffset, format.sampleRate, dataFile);
    if (!sound) {
        return sound.error();
    }
    ByteWriter w;
    writeAtom(w, makeQuickTimeFtyp());
    const std::uint64_t timecodeOffset = w.size() + 8;
    auto mdat = w.beginAtom(fourCC("mdat"));
    if (options.timecode) {
        w.bytes(timecodeSample(options.timecode->startFrame));
    }
    w.endAtom(mdat);
    auto movie =
        soundMovie(std::move(*sound), format.sampleRate, frames, options.timecode, timecodeOffset);
    if (!movie) {
        return movie.error();
    }
    w.bytes(movie->bytes());

    auto temporary = TemporaryFile::createBeside(path);
    if (!temporary) {
        return temporary.error();
    }
    if (Status written = temporary->writeAll(w.data().data(), w.size()); !written) {
        return written;
    }
    return temporary->commit(existing);
}

} // namespace korvel::qtff
