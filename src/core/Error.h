#pragma once
// A failure as a value: what kind it is, the figures its wording needs and the system's error
// number. Never prose: each front end words every kind in its own language (the window in its
// Japanese texts, rimvista-batch in English or Japanese), so a reason cannot reach the user
// untranslated.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace rimvista {

// Every kind, once. A front end's wording is a switch over ErrorKind without a default, so the
// compiler names any kind left unworded; the tests walk allErrorKinds() in each language.
#define RIMVISTA_ERROR_KINDS(X) \
    X(OutOfMemory)              \
    X(CannotOpen)               \
    X(NotRegularFile)           \
    X(CannotRead)               \
    X(FileCutShort)             \
    X(CannotWrite)              \
    X(CannotReplace)            \
    X(CannotCreateTemporary)    \
    X(SettingsBusy)

enum class ErrorKind {
#define RIMVISTA_ERROR_KIND_ENUM(name) name,
    RIMVISTA_ERROR_KINDS(RIMVISTA_ERROR_KIND_ENUM)
#undef RIMVISTA_ERROR_KIND_ENUM
};

inline constexpr auto allErrorKinds() {
    return std::array{
#define RIMVISTA_ERROR_KIND_ITEM(name) ErrorKind::name,
        RIMVISTA_ERROR_KINDS(RIMVISTA_ERROR_KIND_ITEM)
#undef RIMVISTA_ERROR_KIND_ITEM
    };
}

// The kind's name as written in the code, for logs and test names; never shown to users.
inline const char* errorKindName(ErrorKind kind) {
    switch (kind) {
#define RIMVISTA_ERROR_KIND_NAME(name) \
    case ErrorKind::name:              \
        return #name;
        RIMVISTA_ERROR_KINDS(RIMVISTA_ERROR_KIND_NAME)
#undef RIMVISTA_ERROR_KIND_NAME
    }
    return "?";
}

struct Error {
    ErrorKind kind = ErrorKind::CannotRead;
    int osError = 0;                        // errno, 0 when the system reported none
    std::array<std::int64_t, 3> figures{};  // the numbers the kind's wording names, in order
    std::string detail;  // what only an outside library can say (its own message), or a name

    static Error of(ErrorKind kind, int osError = 0) { return Error{kind, osError, {}, {}}; }
    Error& with(std::int64_t a, std::int64_t b = 0, std::int64_t c = 0) {
        figures = {a, b, c};
        return *this;
    }
    Error& saying(std::string text) {
        detail = std::move(text);
        return *this;
    }
};

// A value or the error that prevented it.
template <typename T>
class Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Error error) : m_state(std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(m_state); }
    const T& value() const { return std::get<0>(m_state); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

// Success, or the error.
template <>
class Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_failed = false;
};

}  // namespace rimvista
