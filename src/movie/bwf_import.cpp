// SPDX-License-Identifier: MIT
#include "movie/bwf_import.h"

#include "audio/byte_source.h"
#include "audio/pcm_pipeline.h"
#include "platform/file_attributes.h"
#include "platform/path_names.h"
#include "qtff/movie_file.h"
#include "qtff/sound_track.h"
#include "timecode/timecode.h"
#include "timecode/tv_system.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

namespace korvel {
namespace {

// The rate the file's timecode is written in; under "From recorder" the log says which, per file.
std::optional<BwfFrameRate> frameRateOfFile(const BwfImportOptions& options, const ImportLog& log) {
    if (!options.frameRate || !options.frameRate->fromRecorder()) {
        return options.frameRate;
    }
    const auto recorder = bwfRecorderRate(options.inputFile);
    const BwfFrameRate used = usedFrameRate(*options.frameRate, recorder);
    const std::string name = fileNameOf(options.inputFile);
    if (!recorder) {
        log(name + ": the recorder wrote no timecode rate; its timecode is read as PAL.");
    } else if (!BwfFrameRate::fromRate(recorder->rate, recorder->dropFrame)) {
        log(name + ": the recorder's timecode rate " + recorder->text() +
            " is none the tool knows; its timecode is read as PAL.");
    } else {
        log(name + ": timecode rate from the recorder " + recorder->text() + ": " +
            std::string(used.name()) + ".");
    }
    return used;
}

std::uint32_t outputRate(const BwfImportOptions& options) {
    if (!options.bitReduce) {
        return 0;
    }
    if (options.sampleRate == "48000 kHz") {
        return 48000;
    }
    if (options.sampleRate == "44100 kHz") {
        return 44100;
    }
    return 0;
}

Result<qtff::PcmEncoding> encodingOf(SampleFormat format) {
    switch (format) {
    case SampleFormat::Int16:
        return qtff::PcmEncoding::Int16LE;
    case SampleFormat::Int24:
        return qtff::PcmEncoding::Int24LE;
    case SampleFormat::Float32:
        return qtff::PcmEncoding::Float32LE;
    case SampleFormat::Unsupported:
        break;
    }
    return makeError("no movie sound format for " + sampleFormatName(format) + " samples");
}

// Kernel copies are made in slices of this size, so that progress can be told between them.
constexpr std::uint64_t kCopySlice = 16u << 20;

using ByteProgress = std::function<void(std::uint64_t, std::uint64_t)>;

void tell(const ByteProgress& progress, std::uint64_t done, std::uint64_t total) {
    if (progress) {
        progress(done, total);
    }
}

// The samples copied as they are, file to file, slice by slice.
Status copySamples(qtff::SoundMovieWriter& writer, const std::string& inputFile,
                   const PcmStream& stream, const ByteProgress& progress) {
    for (std::uint64_t done = 0; done < stream.dataBytes;) {
        const std::uint64_t slice = std::min(kCopySlice, stream.dataBytes - done);
        if (Status copied = writer.copyFrom(inputFile, stream.dataOffset + done, slice); !copied) {
            return copied;
        }
        done += slice;
        tell(progress, done, stream.dataBytes);
    }
    return {};
}

// The sink, counting what passes into the movie against the `total` the conversion will write.
PcmSink countingSink(PcmSink sink, std::uint64_t total, const ByteProgress& progress) {
    if (!progress) {
        return sink;
    }
    return [sink = std::move(sink), total, progress,
            done = std::uint64_t{0}](std::span<const std::uint8_t> samples) mutable {
        Status written = sink(samples);
        done += samples.size();
        progress(std::min(done, total), total);
        return written;
    };
}

// The bytes a conversion of `frames` source frames writes: a resampled run may differ by a few
// frames, which the count above absorbs.
std::uint64_t expectedOutputBytes(std::uint64_t frames, std::uint32_t sourceRate,
                                  const PcmOutputFormat& output) {
    if (sourceRate != 0 && output.sampleRate != sourceRate) {
        frames = frames * output.sampleRate / sourceRate;
    }
    return frames * output.frameBytes();
}

struct OpenedStream {
    std::unique_ptr<FileByteSource> source;
    PcmStream stream;
};

Result<OpenedStream> openStream(const std::string& path) {
    auto source = FileByteSource::open(path);
    if (!source) {
        return source.error();
    }
    if (Status wave = checkWaveFile(**source); !wave) {
        return makeError(path + ": " + wave.error().message);
    }
    auto stream = openPcmStream(**source);
    if (!stream) {
        return makeError(path + ": " + stream.error().message);
    }
    return OpenedStream{std::move(*source), *stream};
}

std::string secondsText(std::uint64_t frames, std::uint32_t sampleRate) {
    const std::uint64_t millis = frames * 1000 / sampleRate;
    std::string fraction = std::to_string(millis % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return std::to_string(millis / 1000) + "." + fraction + " s";
}

// The timecode track of the movie: its TV system from the frame-rate choice, drop frame when the
// start text says so; none (and a log line why) without a start.
struct TimecodePlan {
    std::optional<TimeCodeDef> def;
    std::int64_t startFrame = 0;
    std::optional<qtff::TimecodeTrackOptions> track;
};

TimecodePlan planTimecode(const BwfInfo& info, const BwfImportOptions& options,
                          std::optional<BwfFrameRate> frameRate, const ImportLog& log) {
    TimecodePlan plan;
    const std::string& mediaStart = info.value(bwfkey::kMediaStart);
    const auto startFields = parseTimeCodeFields(mediaStart);
    if (mediaStart.empty()) {
        log("No format chunk in " + fileNameOf(options.inputFile) +
            ": no start timecode, so the movie has no timecode track.");
    } else if (!frameRate || !startFields) {
        log("The frame rate is not one of the \"BWFfpsRate\" choices: the movie has no "
            "timecode track.");
    } else {
        plan.def = frameRate->tvSystem().timeCodeDef(isDropFrameText(mediaStart));
        plan.startFrame = frameNumber(*startFields, *plan.def);
        qtff::TimecodeTrackOptions timecode;
        timecode.format = {plan.def->flags, plan.def->fTimeScale, plan.def->frameDuration,
                           plan.def->numFrames};
        timecode.startFrame = static_cast<std::int32_t>(plan.startFrame);
        timecode.reelName = info.value(bwfkey::kReel);
        plan.track = timecode;
    }
    return plan;
}

// The second file of a pair, opened and lined up with the first by the pairing rule.
struct PairedStream {
    OpenedStream opened;
    ChannelPairPlan plan;
};

Result<PairedStream> openPartner(const BwfImportOptions& options, BwfInfo& info,
                                 const BwfReadOptions& readOptions, const ImportLog& log) {
    auto plan = planChannelPair(options.inputFile, options.secondImportFile);
    if (!plan) {
        return makeError("cannot merge " + fileNameOf(options.inputFile) + " and " +
                         fileNameOf(options.secondImportFile) + ": " + plan.error().message);
    }
    auto opened = openStream(options.secondImportFile);
    if (!opened) {
        return opened.error();
    }
    const std::uint64_t delay = std::max(plan->alignment.leftDelay, plan->alignment.rightDelay);
    if (delay > 0) {
        const std::string& early =
            plan->secondStartsFirst ? options.secondImportFile : options.inputFile;
        const std::string& late =
            plan->secondStartsFirst ? options.inputFile : options.secondImportFile;
        log(fileNameOf(late) + " starts " + std::to_string(delay) + " samples (" +
            secondsText(delay, opened->stream.format.sampleRate) + ") after " + fileNameOf(early) +
            " by their time references: it is laid that much later, silence before it.");
    }
    if (plan->secondStartsFirst) {
        // The movie starts with the earlier recording.
        info.set(bwfkey::kMediaStart,
                 getBWF2Info(options.secondImportFile, readOptions).value(bwfkey::kMediaStart));
    }
    return PairedStream{std::move(*opened), *plan};
}

// The keys the import adds: the movie's path, the timecode at its end, and for a pair the
// track count and the movie's name; then the creator code Final Cut Pro looks for.
void finishRecord(BwfInfo& info, const BwfImportOptions& options,
                  const std::optional<TimeCodeDef>& def, std::int64_t startFrame,
                  std::uint64_t frames, std::uint32_t sampleRate, bool pair,
                  FileAttributes* fileAttributes) {
    info.set(bwfkey::kFilename, options.destFile);
    if (def) {
        // The start plus the whole frames the sound lasts.
        const std::uint64_t elapsed =
            frames * static_cast<std::uint64_t>(def->fTimeScale) /
            (std::uint64_t{sampleRate} * static_cast<std::uint64_t>(def->frameDuration));
        info.set(bwfkey::kMediaEnd,
                 timeCodeText(timeCodeRecord(startFrame + static_cast<std::int64_t>(elapsed), *def),
                              def->dropFrame()));
    }
    if (pair) {
        info.set(bwfkey::kTracks, "2A");
        info.set(bwfkey::kName, fileNameOf(options.destFile));
    }
    if (fileAttributes != nullptr) {
        // A file system without the attribute just goes without.
        fileAttributes->setTypeAndCreator(options.destFile, FourCharCode::of("MooV"),
                                          FourCharCode::of("KeyG"));
    }
}

// Samples that are not what the header declares: the log and the warnings hear of it.
void warnAboutData(const std::string& file, const PcmStream& stream, const ImportLog& log,
                   const ImportLog& warn) {
    if (stream.dataWarning.empty()) {
        return;
    }
    const std::string line = "Warning: " + fileNameOf(file) + ": " + stream.dataWarning + ".";
    log(line);
    if (warn) {
        warn(line);
    }
}

void logPadding(const BwfImportOptions& options, const PcmRunReport& report, const ImportLog& log) {
    if (report.paddedFramesLeft == 0 && report.paddedFramesRight == 0) {
        return;
    }
    const bool leftShort = report.paddedFramesLeft > 0;
    log("The files " + fileNameOf(options.inputFile) + " and " +
        fileNameOf(options.secondImportFile) + " differ in length: " +
        fileNameOf(leftShort ? options.inputFile : options.secondImportFile) + " was padded with " +
        std::to_string(leftShort ? report.paddedFramesLeft : report.paddedFramesRight) +
        " samples of silence.");
}

// Writes the movie with the samples copied, reduced or merged, streamed from the files.
Result<PcmRunReport> writeSoundMovie(const BwfImportOptions& options,
                                     const qtff::SoundMovieOptions& movie, OpenedStream& first,
                                     PairedStream* second, const PcmConversion& conversion,
                                     const PcmOutputFormat& output) {
    auto writer = qtff::SoundMovieWriter::create(options.destFile, movie);
    if (!writer) {
        return writer.error();
    }
    const std::uint64_t sourceFrames =
        second ? std::max(first.stream.frames(), second->opened.stream.frames())
               : first.stream.frames();
    const PcmSink sink = countingSink(
        [&](std::span<const std::uint8_t> samples) { return (*writer)->write(samples); },
        expectedOutputBytes(sourceFrames, first.stream.format.sampleRate, output),
        options.progress);
    Result<PcmRunReport> report = PcmRunReport{};
    if (second) {
        report = mergePcmPair(*first.source, first.stream, *second->opened.source,
                              second->opened.stream, conversion, sink, second->plan.alignment);
    } else if (!conversion.toSixteenBit) {
        // The samples go in as they are: let the kernel copy them file to file.
        if (Status copied =
                copySamples(**writer, options.inputFile, first.stream, options.progress);
            !copied) {
            return copied.error();
        }
        report->output = output;
        report->framesWritten = first.stream.frames();
    } else {
        report = convertPcm(*first.source, first.stream, conversion, sink);
    }
    if (!report) {
        return makeError("cannot convert " + options.inputFile + ": " + report.error().message);
    }
    const std::uint64_t soundBytes = report->framesWritten * output.frameBytes();
    tell(options.progress, soundBytes, soundBytes);
    if (Status finished = (*writer)->finish(options.existing); !finished) {
        return finished.error();
    }
    return report;
}

// How the samples go into the movie: converted or not, in which format, under which header.
struct SoundPlan {
    PcmConversion conversion;
    PcmOutputFormat output;
    qtff::SoundMovieOptions movie;
};

Result<SoundPlan> planSound(const BwfImportOptions& options, const PcmStream& first, bool pair) {
    SoundPlan plan;
    plan.conversion.toSixteenBit = options.bitReduce;
    plan.conversion.outputRate = outputRate(options);
    const std::uint16_t channels = pair ? 2 : first.format.channels;
    plan.output =
        convertedFormat(first.sampleFormat, channels, first.format.sampleRate, plan.conversion);
    auto encoding = encodingOf(plan.output.sampleFormat);
    if (!encoding) {
        return encoding.error();
    }
    plan.movie.format = {*encoding, plan.output.channels, plan.output.sampleRate};
    if (Status declarable = qtff::checkSoundFormat(plan.movie.format); !declarable) {
        return makeError(options.inputFile + ": " + declarable.error().message);
    }
    return plan;
}

// A reference movie: the sound track reads the BWF data chunk in place.
Status writeReferenceMovie(const BwfImportOptions& options, const qtff::SoundMovieOptions& movie,
                           const PcmStream& stream) {
    std::error_code error;
    const auto dataFile =
        std::filesystem::weakly_canonical(std::filesystem::absolute(options.inputFile), error);
    return qtff::writeReferenceSoundMovie(options.destFile, movie,
                                          error ? options.inputFile : dataFile.string(),
                                          stream.dataOffset, stream.frames(), options.existing);
}

} // namespace

Result<ChannelPairPlan> planChannelPair(const std::string& channelA, const std::string& channelB) {
    auto first = openStream(channelA);
    if (!first) {
        return first.error();
    }
    auto second = openStream(channelB);
    if (!second) {
        return second.error();
    }
    if (Status pair = checkPcmPair(first->stream, second->stream); !pair) {
        return pair.error();
    }
    const auto referenceA = bwfTimeReference(channelA);
    const auto referenceB = bwfTimeReference(channelB);
    if (!referenceA || !referenceB) {
        return makeError(fileNameOf(referenceA ? channelB : channelA) +
                         " has no bext chunk, so no time reference to line it up by");
    }
    ChannelPairPlan plan;
    plan.secondStartsFirst = *referenceB < *referenceA;
    const std::uint64_t earlyFrames =
        plan.secondStartsFirst ? second->stream.frames() : first->stream.frames();
    const std::uint64_t delay =
        plan.secondStartsFirst ? *referenceA - *referenceB : *referenceB - *referenceA;
    if (delay >= earlyFrames && delay > 0) {
        return makeError("the recordings do not overlap: one starts " + std::to_string(delay) +
                         " samples after the other, which lasts " + std::to_string(earlyFrames) +
                         " samples");
    }
    (plan.secondStartsFirst ? plan.alignment.leftDelay : plan.alignment.rightDelay) = delay;
    return plan;
}

Result<BwfInfo> ZAN_ImportFile(const BwfImportOptions& options, const ImportLog& log,
                               FileAttributes* fileAttributes, const ImportLog& warn) {
    if (Status wave = checkWaveFile(options.inputFile); !wave) {
        return makeError(options.inputFile + ": " + wave.error().message);
    }
    BwfReadOptions readOptions;
    // Resolved once, so that both files of a pair are read in the same rate.
    readOptions.bwfFpsRate = frameRateOfFile(options, log);
    readOptions.bwfTapeIdSelect = options.bwfTapeIdSelect;
    BwfInfo info = getBWF2Info(options.inputFile, readOptions);
    if (info.value(bwfkey::kContainsBext) == "NO") {
        return info;
    }

    auto first = openStream(options.inputFile);
    if (!first) {
        return first.error();
    }
    std::optional<PairedStream> second;
    if (options.importTwoFiles) {
        auto paired = openPartner(options, info, readOptions, log);
        if (!paired) {
            return paired.error();
        }
        second = std::move(*paired);
    }

    auto sound = planSound(options, first->stream, second.has_value());
    if (!sound) {
        return sound.error();
    }
    const TimecodePlan timecode = planTimecode(info, options, readOptions.bwfFpsRate, log);
    sound->movie.timecode = timecode.track;
    warnAboutData(options.inputFile, first->stream, log, warn);
    if (second) {
        warnAboutData(options.secondImportFile, second->opened.stream, log, warn);
    }

    if (options.linkmedia && !second && !options.bitReduce) {
        if (Status written = writeReferenceMovie(options, sound->movie, first->stream); !written) {
            return written.error();
        }
        finishRecord(info, options, timecode.def, timecode.startFrame, first->stream.frames(),
                     sound->output.sampleRate, false, fileAttributes);
        return info;
    }
    if (options.linkmedia) {
        log(std::string(second ? "Two files are merged" : "The sound is reduced to 16 bits") +
            ", so " + fileNameOf(options.destFile) +
            " holds a copy of the sound instead of referring to the BWF file.");
    }
    auto report = writeSoundMovie(options, sound->movie, *first, second ? &*second : nullptr,
                                  sound->conversion, sound->output);
    if (!report) {
        return report.error();
    }
    if (second) {
        logPadding(options, *report, log);
    }
    finishRecord(info, options, timecode.def, timecode.startFrame, report->framesWritten,
                 sound->output.sampleRate, second.has_value(), fileAttributes);
    return info;
}

std::optional<std::uint64_t> importedMovieFrames(const std::string& moviePath,
                                                 BwfFrameRate frameRate) {
    auto movie = qtff::MovieFile::open(moviePath, qtff::OpenMode::ReadOnly);
    if (!movie) {
        return std::nullopt;
    }
    const auto header = movie->movie().header();
    if (!header || header->timeScale == 0) {
        return std::nullopt;
    }
    const TimeCodeDef def = frameRate.tvSystem().timeCodeDef(false);
    // Whole time units of the timecode's scale, then whole frames; the fraction dropped on the
    // way is less than one unit, so it never changes the count of frames.
    const std::uint64_t scale = header->timeScale;
    const auto tcScale = static_cast<std::uint64_t>(def.fTimeScale);
    const std::uint64_t units =
        header->duration / scale * tcScale + header->duration % scale * tcScale / scale;
    return units / static_cast<std::uint64_t>(def.frameDuration);
}

std::optional<ImportedSound> importedMovieSound(const std::string& moviePath) {
    auto movie = qtff::MovieFile::open(moviePath, qtff::OpenMode::ReadOnly);
    if (!movie) {
        return std::nullopt;
    }
    auto tracks = movie->movie().tracks(qtff::TrackDetail::Check);
    if (!tracks) {
        return std::nullopt;
    }
    for (const qtff::TrackInfo& track : *tracks) {
        if (track.handlerType != qtff::fourCC("soun") || track.sampleDescriptions.empty()) {
            continue;
        }
        const auto format = qtff::soundFormatOf(track.sampleDescriptions.front().bytes);
        if (!format) {
            return std::nullopt;
        }
        return ImportedSound{format->sampleRate, static_cast<int>(format->bytesPerSample() * 8),
                             format->channels};
    }
    return std::nullopt;
}

} // namespace korvel
