// SPDX-License-Identifier: MIT
#include "timecode/tv_system.h"

namespace korvel {
namespace {

// What sets one TV system apart from another; everything else is derived from it.
struct SystemTraits {
    std::string_view name;
    int framesPerSecond;
    std::int32_t timeScale;
    std::int32_t frameDuration;
    bool dropFrameAllowed;
    Rational frameRate;
};

// Indexed by TvSystem::Kind. NTSC keeps the 2997/100 definition its movies have always had.
constexpr SystemTraits kTraits[] = {
    {"PAL", 25, 25, 1, false, {25, 1}},
    {"NTSC", 30, 2997, 100, true, {30000, 1001}},
    {"24 fps", 24, 24, 1, false, {24, 1}},
    {"23.976 fps", 24, 24000, 1001, false, {24000, 1001}},
    {"30 fps", 30, 30, 1, false, {30, 1}},
    {"50 fps", 50, 50, 1, false, {50, 1}},
    {"59.94 fps", 60, 60000, 1001, true, {60000, 1001}},
    {"60 fps", 60, 60, 1, false, {60, 1}},
};

const SystemTraits& traitsOf(TvSystem system) {
    return kTraits[static_cast<std::size_t>(system.kind())];
}

} // namespace

std::optional<TvSystem> TvSystem::parse(std::string_view name) {
    for (TvSystem system : kAll) {
        if (name == system.name()) {
            return system;
        }
    }
    return std::nullopt;
}

std::string TvSystem::choicesText() {
    std::string text;
    for (TvSystem system : kAll) {
        text += (text.empty() ? "\"" : ", \"") + std::string(system.name()) + "\"";
    }
    return text;
}

std::string_view TvSystem::name() const {
    return traitsOf(*this).name;
}

int TvSystem::framesPerSecond() const {
    return traitsOf(*this).framesPerSecond;
}

Rational TvSystem::frameRate() const {
    return traitsOf(*this).frameRate;
}

bool TvSystem::dropFrameAllowed() const {
    return traitsOf(*this).dropFrameAllowed;
}

TimeCodeDef TvSystem::timeCodeDef(bool dropFrame) const {
    const SystemTraits& traits = traitsOf(*this);
    TimeCodeDef def;
    def.flags = kTc24HourMax;
    if (dropFrame && traits.dropFrameAllowed) {
        def.flags |= kTcDropFrame;
    }
    def.fTimeScale = traits.timeScale;
    def.frameDuration = traits.frameDuration;
    def.numFrames = static_cast<std::uint8_t>(traits.framesPerSecond);
    return def;
}

} // namespace korvel
