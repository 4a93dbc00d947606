// SPDX-License-Identifier: MIT
#include "movie/ixml_speed.h"

#include <charconv>

namespace korvel {
namespace {

// Nine digits keep any fraction's cross products inside 64 bits.
constexpr std::size_t kMaxDigits = 9;

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The text of the first <name>...</name> inside `text`; nothing when either tag is missing.
std::optional<std::string_view> elementText(std::string_view text, std::string_view name) {
    const std::string open = "<" + std::string(name) + ">";
    const std::string close = "</" + std::string(name) + ">";
    const std::size_t start = text.find(open);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t body = start + open.size();
    const std::size_t end = text.find(close, body);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return trimmed(text.substr(body, end - body));
}

std::optional<std::int64_t> positiveNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxDigits) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<Rational> parseFraction(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto numerator = positiveNumber(text.substr(0, slash));
    const auto denominator = positiveNumber(text.substr(slash + 1));
    if (!numerator || !denominator) {
        return std::nullopt;
    }
    return Rational{*numerator, *denominator};
}

} // namespace

std::string RecorderRate::text() const {
    return std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator) +
           (dropFrame ? " DF" : " NDF");
}

std::optional<RecorderRate> parseRecorderRate(std::string_view ixml) {
    const auto speed = elementText(ixml, "SPEED");
    if (!speed) {
        return std::nullopt;
    }
    const auto rateText = elementText(*speed, "TIMECODE_RATE");
    const auto rate = rateText ? parseFraction(*rateText) : std::nullopt;
    if (!rate) {
        return std::nullopt;
    }
    const auto flag = elementText(*speed, "TIMECODE_FLAG");
    return RecorderRate{*rate, flag && *flag == "DF"};
}

} // namespace korvel
