// SPDX-License-Identifier: MIT
#include "timecode/bwf_frame_rate.h"

namespace korvel {
namespace {

struct RateTraits {
    std::string_view name;
    TvSystem system;
    bool dropFrame;
};

// Indexed by BwfFrameRate::Kind.
constexpr RateTraits kTraits[] = {
    {"PAL", TvSystem::Pal, false},
    {"NTSC DF", TvSystem::Ntsc, true},
    {"NTSC NDF", TvSystem::Ntsc, false},
    {"24 fps", TvSystem::Film24, false},
    {"23.976 fps", TvSystem::Film23976, false},
    {"30 fps", TvSystem::Fps30, false},
    {"50 fps", TvSystem::Fps50, false},
    {"59.94 DF", TvSystem::Fps5994, true},
    {"59.94 NDF", TvSystem::Fps5994, false},
    {"60 fps", TvSystem::Fps60, false},
    {"From recorder", TvSystem::Pal, false},
};

const RateTraits& traitsOf(BwfFrameRate rate) {
    return kTraits[static_cast<std::size_t>(rate.kind())];
}

bool sameRate(Rational a, Rational b) {
    return a.denominator != 0 && b.denominator != 0 &&
           a.numerator * b.denominator == b.numerator * a.denominator;
}

} // namespace

std::optional<BwfFrameRate> BwfFrameRate::parse(std::string_view name) {
    for (BwfFrameRate rate : kAll) {
        if (name == rate.name()) {
            return rate;
        }
    }
    return std::nullopt;
}

std::optional<BwfFrameRate> BwfFrameRate::fromRate(Rational rate, bool dropFrame) {
    for (BwfFrameRate choice : kAll) {
        const RateTraits& traits = traitsOf(choice);
        if (choice.fromRecorder() || !sameRate(traits.system.frameRate(), rate)) {
            continue;
        }
        if (traits.dropFrame == (dropFrame && traits.system.dropFrameAllowed())) {
            return choice;
        }
    }
    return std::nullopt;
}

std::string_view BwfFrameRate::name() const {
    return traitsOf(*this).name;
}

TvSystem BwfFrameRate::tvSystem() const {
    return traitsOf(*this).system;
}

bool BwfFrameRate::dropFrame() const {
    return traitsOf(*this).dropFrame;
}

XmlTimebase BwfFrameRate::xmlTimebase() const {
    const TvSystem system = tvSystem();
    const Rational rate = system.frameRate();
    return {system.framesPerSecond(), rate.denominator == 1001, dropFrame()};
}

} // namespace korvel
