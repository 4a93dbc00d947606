// SPDX-License-Identifier: MIT
#include "timecode/tv_system.h"

namespace korvel {

std::string_view tvSystemName(TvSystem system) {
    switch (system) {
    case TvSystem::Pal:
        return "PAL";
    case TvSystem::Ntsc:
        return "NTSC";
    case TvSystem::Film24:
        return "24 fps";
    }
    return "PAL";
}

std::optional<TvSystem> tvSystemFromName(std::string_view name) {
    for (TvSystem system : {TvSystem::Pal, TvSystem::Ntsc, TvSystem::Film24}) {
        if (name == tvSystemName(system)) {
            return system;
        }
    }
    return std::nullopt;
}

int framesPerSecond(TvSystem system) {
    switch (system) {
    case TvSystem::Pal:
        return 25;
    case TvSystem::Ntsc:
        return 30;
    case TvSystem::Film24:
        return 24;
    }
    return 25;
}

TimeCodeDef timeCodeDef(TvSystem system, bool dropFrame) {
    TimeCodeDef def;
    def.flags = kTc24HourMax;
    def.numFrames = static_cast<std::uint8_t>(framesPerSecond(system));
    if (system == TvSystem::Ntsc) {
        // 29.97 frames per second: 2997 units per second, 100 per frame.
        def.fTimeScale = 2997;
        def.frameDuration = 100;
        if (dropFrame) {
            def.flags |= kTcDropFrame;
        }
    } else {
        def.fTimeScale = def.numFrames;
        def.frameDuration = 1;
    }
    return def;
}

} // namespace korvel
