// Result of an operation that can fail: its value, or the description of the failure
// that the caller shows the user.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace solvina {

struct Error {
    std::string description;
};

inline Error fail(std::string description) {
    return Error{std::move(description)};
}

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const std::string& error() const { return std::get<1>(m_state).description; }
    Error takeError() && { return std::get<1>(std::move(m_state)); }

private:
    std::variant<T, Error> m_state;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_failed(true), m_error(std::move(error)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error.description; }
    Error takeError() && { return std::move(m_error); }

private:
    bool m_failed = false;
    Error m_error;
};

using Status = Result<void>;

} // namespace solvina
