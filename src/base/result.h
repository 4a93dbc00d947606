// SPDX-License-Identifier: MIT
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace korvel {

/// The failures a caller has to answer differently from a plain "it did not work".
enum class ErrorKind {
    Failed,
    /// Another program is changing the file; nothing was done to it.
    InUse,
    /// The change was made, but it may not have reached the disk yet.
    Unconfirmed,
    /// The movie has a timecode track already and was asked to keep it.
    HasTimecodeTrack,
    /// The request itself cannot be carried out (an argument or a setting is not valid); nothing
    /// was touched.
    InvalidRequest,
};

/// What went wrong, in words a person can act on (lower-case, no final period).
struct Error {
    std::string message;
    ErrorKind kind = ErrorKind::Failed;
};

inline Error makeError(std::string message, ErrorKind kind = ErrorKind::Failed) {
    return Error{std::move(message), kind};
}

/// A value or the reason there is none. Library code returns this instead of throwing, so a
/// caller cannot forget that an operation may fail.
template <class T> class [[nodiscard]] Result {
  public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Error error) : m_state(std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok() && "value() of a failed Result");
        return std::get<0>(m_state);
    }
    const T& value() const& {
        assert(ok() && "value() of a failed Result");
        return std::get<0>(m_state);
    }
    T&& value() && {
        assert(ok() && "value() of a failed Result");
        return std::get<0>(std::move(m_state));
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const {
        assert(!ok() && "error() of a successful Result");
        return std::get<1>(m_state);
    }

  private:
    std::variant<T, Error> m_state;
};

/// Success or the reason for failure, for operations that produce no value.
template <> class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const {
        assert(m_failed && "error() of a successful Result");
        return m_error;
    }

  private:
    Error m_error;
    bool m_failed = false;
};

using Status = Result<void>;

} // namespace korvel
