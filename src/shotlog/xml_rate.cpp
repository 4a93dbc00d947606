// SPDX-License-Identifier: MIT
#include "shotlog/xml_rate.h"

namespace korvel {

std::optional<XmlRate> xmlRateOfBwfFpsRate(std::string_view bwfFpsRate) {
    if (bwfFpsRate == "PAL") {
        return XmlRate{25, false, false};
    }
    if (bwfFpsRate == "NTSC DF") {
        return XmlRate{30, true, true};
    }
    if (bwfFpsRate == "NTSC NDF") {
        return XmlRate{30, true, false};
    }
    if (bwfFpsRate == "24 fps") {
        return XmlRate{24, false, false};
    }
    return std::nullopt;
}

} // namespace korvel
