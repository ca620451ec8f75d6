#pragma once
// A failure as a value: what kind it is, the figures and names its wording needs and the
// system's error number. Never prose: each front end words every kind in its own language (the
// window in its Japanese texts, rimvista-batch in English or Japanese), so a reason cannot reach
// the user untranslated.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace rimvista {

// Every kind, once: X(kind, figures, names), with the number of figures and of names (files,
// format names) its wording uses, in the order given. A front end's wording is a switch over
// ErrorKind without a default, so the compiler names any kind left unworded; the tests walk
// allErrorKinds() in each language and look for every figure and name in the text.
#define RIMVISTA_ERROR_KINDS(X)                                                      \
    X(OutOfMemory, 0, 0)                                                             \
    X(FileBeyondMemory, 1, 0)    /* megabytes of the file */                         \
    X(PictureBeyondMemory, 4, 0) /* width, height, megabytes needed, available */    \
    X(PictureBeyondCap, 4, 0)    /* width, height, megabytes needed, --memory */     \
    X(NoSuchFile, 0, 0)                                                              \
    X(IsFolder, 0, 0)                                                                \
    X(CannotOpen, 0, 0) /* osError */                                                \
    X(NotRegularFile, 0, 0)                                                          \
    X(CannotRead, 0, 0) /* osError */                                                \
    X(FileCutShort, 0, 0)                                                            \
    X(UnknownFormat, 0, 0)          /* contents of no format the registry knows */   \
    X(InvalidPictureSize, 2, 0)     /* width, height */                              \
    X(FileTooSmallForPicture, 3, 0) /* bytes, width, height */                       \
    X(BmpHeaderTooShort, 0, 0)                                                       \
    X(BmpHeaderInvalid, 0, 0)                                                        \
    X(BmpSizeInvalid, 0, 0)                                                          \
    X(BmpMasksMissing, 0, 0)                                                         \
    X(BmpPixelDataMissing, 0, 0)                                                     \
    X(BmpUnsupported, 2, 0) /* bits per pixel, compression */                        \
    X(DamagedData, 0, 1)    /* format; detail: the library's own message */          \
    X(PngChunkPastEnd, 0, 0)                                                         \
    X(PngUnsupported, 0, 0)                                                          \
    X(DecoderUnavailable, 0, 1) /* format */                                         \
    X(UnreadablePicture, 0, 0)  /* detail: the fallback reader's own message */      \
    X(NotStreamable, 0, 0)                                                           \
    X(RowsOutOfOrder, 2, 0) /* first row, end row */                                 \
    X(NothingToSave, 0, 0)                                                           \
    X(InvalidSaveSize, 2, 0)       /* width, height */                               \
    X(TooLargeForFormat, 2, 1)     /* width, height; format */                       \
    X(EncoderUnavailable, 0, 1)    /* format */                                      \
    X(EncodeFailed, 0, 1)          /* format; detail: the library's own message */   \
    X(RowsMissing, 2, 0)           /* rows written, height */                        \
    X(CannotCreateTemporary, 0, 0) /* osError */                                     \
    X(FileNotOpen, 0, 0)                                                             \
    X(CannotWrite, 0, 0)            /* osError */                                    \
    X(CannotSync, 0, 0)             /* osError */                                    \
    X(CannotReplace, 0, 0)          /* osError */                                    \
    X(OutputExists, 0, 1)           /* output */                                     \
    X(OutputFolderNotMade, 0, 1)    /* folder; osError */                            \
    X(StandardOutputTakesOne, 1, 0) /* pictures given */                             \
    X(OutputFileTakesOne, 1, 1)     /* pictures given; output */                     \
    X(OutputFormatUnknown, 0, 1)    /* output */                                     \
    X(OutputFormatMismatch, 0, 2)   /* output, the --format given */                 \
    X(OutputIsInput, 0, 3)          /* picture, its output, the input it is */       \
    X(OutputShared, 0, 3)           /* one picture, another, their output */         \
    X(InputNamedTwice, 0, 2)        /* the picture as first named, as named again */ \
    X(ResultNotReadBack, 0, 0)      /* osError */                                    \
    X(StandardOutputFailed, 0, 0)   /* osError */                                    \
    X(SettingsBusy, 0, 0)           /* another program held the settings file */     \
    X(Unexpected, 0, 0)             /* detail: what the failing code said */

enum class ErrorKind {
#define RIMVISTA_ERROR_KIND_ENUM(name, figures, names) name,
    RIMVISTA_ERROR_KINDS(RIMVISTA_ERROR_KIND_ENUM)
#undef RIMVISTA_ERROR_KIND_ENUM
};

inline constexpr auto allErrorKinds() {
    return std::array{
#define RIMVISTA_ERROR_KIND_ITEM(name, figures, names) ErrorKind::name,
        RIMVISTA_ERROR_KINDS(RIMVISTA_ERROR_KIND_ITEM)
#undef RIMVISTA_ERROR_KIND_ITEM
    };
}

// The kind's name as written in the code, for logs and test names; never shown to users.
inline const char* errorKindName(ErrorKind kind) {
    switch (kind) {
#define RIMVISTA_ERROR_KIND_NAME(name, figures, names) \
    case ErrorKind::name:                              \
        return #name;
        RIMVISTA_ERROR_KINDS(RIMVISTA_ERROR_KIND_NAME)
#undef RIMVISTA_ERROR_KIND_NAME
    }
    return "?";
}

// How many figures and names the kind's wording uses.
inline std::pair<int, int> errorKindArity(ErrorKind kind) {
    switch (kind) {
#define RIMVISTA_ERROR_KIND_ARITY(name, figures, names) \
    case ErrorKind::name:                               \
        return {figures, names};
        RIMVISTA_ERROR_KINDS(RIMVISTA_ERROR_KIND_ARITY)
#undef RIMVISTA_ERROR_KIND_ARITY
    }
    return {0, 0};
}

struct Error {
    ErrorKind kind = ErrorKind::CannotRead;
    int osError = 0;                        // errno, 0 when the system reported none
    std::array<std::int64_t, 4> figures{};  // the numbers the kind's wording names, in order
    std::vector<std::string> names;         // the files or formats it names, in order
    std::string detail;  // what only an outside library can say (its own message)

    static Error of(ErrorKind kind, int osError = 0) { return Error{kind, osError, {}, {}, {}}; }
    Error& with(std::int64_t a, std::int64_t b = 0, std::int64_t c = 0, std::int64_t d = 0) {
        figures = {a, b, c, d};
        return *this;
    }
    Error& naming(std::initializer_list<std::string> list) {
        names = list;
        return *this;
    }
    Error& saying(std::string text) {
        detail = std::move(text);
        return *this;
    }
    // The name at i, or nothing when the error names fewer.
    const std::string& name(std::size_t i) const {
        static const std::string none;
        return i < names.size() ? names[i] : none;
    }
};

// For logs and test failures: the kind's code name with its figures, names, errno and detail.
inline std::string debugText(const Error& e) {
    std::string text = errorKindName(e.kind);
    for (std::int64_t f : e.figures) text += " " + std::to_string(f);
    for (const std::string& n : e.names) text += " '" + n + "'";
    if (e.osError) text += " errno " + std::to_string(e.osError);
    if (!e.detail.empty()) text += ": " + e.detail;
    return text;
}

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
