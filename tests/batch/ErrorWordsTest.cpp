// Every failure worded by each front end: rimvista-batch in English and Japanese, the window in
// Japanese. A kind without words, or words that drop a figure or a name, cannot pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "batch/Messages.h"
#include "window/Messages.h"

namespace rimvista {
namespace {

bool ascii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

TEST(ErrorWords, EveryKindIsWordedInEachLanguageWithItsFiguresAndNames) {
    for (const ErrorKind kind : allErrorKinds()) {
        SCOPED_TRACE(errorKindName(kind));
        Error error = Error::of(kind, ENOSPC);
        error.with(7001, 7002, 7003, 7004).naming({"first.jpg", "second.png", "third.bmp"});
        error.saying("library says");
        const struct {
            const char* front;
            std::string text;
            bool english;
        } words[] = {
            {"batch, English", batch::describe(error, batch::Language::English), true},
            {"batch, Japanese", batch::describe(error, batch::Language::Japanese), false},
            {"window", describe(error).toStdString(), false},
        };
        const auto [figures, names] = errorKindArity(kind);
        for (const auto& w : words) {
            SCOPED_TRACE(w.front);
            ASSERT_FALSE(w.text.empty());
            // English carries no Japanese (nor any other non-ASCII text); Japanese is Japanese.
            EXPECT_EQ(ascii(w.text), w.english) << w.text;
            for (int i = 0; i < figures; ++i)
                EXPECT_NE(w.text.find(std::to_string(7001 + i)), std::string::npos) << w.text;
            for (int i = 0; i < names; ++i)
                EXPECT_NE(w.text.find(error.names[std::size_t(i)]), std::string::npos) << w.text;
        }
    }
}

}  // namespace
}  // namespace rimvista
