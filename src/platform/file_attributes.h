// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

/// A four-character HFS code ('TEXT', 'KeyG'), as its four bytes.
struct FourCharCode {
    std::array<char, 4> bytes{};

    static constexpr FourCharCode of(const char (&text)[5]) {
        return FourCharCode{{text[0], text[1], text[2], text[3]}};
    }
    std::string_view text() const { return {bytes.data(), bytes.size()}; }
    friend bool operator==(const FourCharCode&, const FourCharCode&) = default;
};

/// HFS type and creator codes of files.
class FileAttributes {
  public:
    virtual ~FileAttributes() = default;
    /// The file's type code, or nothing when it has none or cannot be read.
    virtual std::optional<FourCharCode> typeCode(const std::string& path) const = 0;
    /// Sets both codes; false when the file system cannot record them or the file is missing.
    virtual bool setTypeAndCreator(const std::string& path, FourCharCode type,
                                   FourCharCode creator) = 0;
};

/// Keeps the codes in the 32-byte Finder information extended attribute, where the Mac keeps
/// them (`com.apple.FinderInfo`; `user.com.apple.FinderInfo` on Linux).
class ExtendedAttributeFileAttributes final : public FileAttributes {
  public:
    std::optional<FourCharCode> typeCode(const std::string& path) const override;
    bool setTypeAndCreator(const std::string& path, FourCharCode type,
                           FourCharCode creator) override;
};

} // namespace korvel
