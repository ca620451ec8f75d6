#include "batch/OptionSetters.h"

#include <charconv>

#include "batch/Messages.h"

namespace rimvista::batch::setters {

namespace {

constexpr long long kMaxShards = 1000000;
constexpr long long kMaxSampleSide = 100000;

std::optional<long long> wholeNumber(std::string_view text) {
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<std::pair<int, int>> readSize(std::string_view text) {
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    long long w = 0, h = 0;
    if (!readRange(text.substr(0, x), 1, kMaxSampleSide, w) ||
        !readRange(text.substr(x + 1), 1, kMaxSampleSide, h))
        return std::nullopt;
    return std::pair<int, int>(static_cast<int>(w), static_cast<int>(h));
}

std::string onlyOnce(std::string_view option) {
    return std::string(option) + say(" may be given only once", " は一度しか指定できません");
}

}  // namespace

bool readRange(std::string_view text, long long lo, long long hi, long long& out) {
    const auto v = wholeNumber(text);
    if (!v || *v < lo || *v > hi) return false;
    out = *v;
    return true;
}

std::string rangeError(std::string_view option, long long lo, long long hi) {
    const std::string from = std::to_string(lo), to = std::to_string(hi);
    return std::string(option) + say(" needs a whole number from " + from + " to " + to,
                                     " には " + from + " から " + to + " までの整数が要ります");
}

std::string setFrame(BatchOptions& o, const std::string& v) {
    o.frameTexts.push_back(v);
    return {};
}

std::string setRegistration(BatchOptions& o, const std::string& v) {
    if (o.registration) return onlyOnce("--registration");
    o.registration = v;
    return {};
}

std::string setOutput(BatchOptions& o, const std::string& v) {
    if (v.empty())
        return say("--output needs a folder or file name",
                   "--output にはフォルダー名かファイル名が要ります");
    o.output = v;
    return {};
}

std::string setFormat(BatchOptions& o, const std::string& v) {
    o.format = formatFromName(v);
    return o.format
               ? std::string()
               : say("--format must be jpg, png or bmp", "--format は jpg、png、bmp のどれかです");
}

std::string setFilesFrom(BatchOptions& o, const std::string& v) {
    if (o.filesFrom) return onlyOnce("--files-from");
    if (v.empty())
        return say("--files-from needs a file name, or - for the input",
                   "--files-from にはファイル名か、標準入力を表す - が要ります");
    o.filesFrom = v;
    return {};
}

std::string setSuffix(BatchOptions& o, const std::string& v) {
    if (v.find('/') != std::string::npos)
        return say("--suffix cannot hold a /: ", "--suffix に / は使えません: ") + v;
    o.suffix = v;
    return {};
}

std::string setShard(BatchOptions& o, const std::string& v) {
    const auto slash = v.find('/');
    long long k = 0, n = 0;
    if (slash == std::string::npos || !readRange(v.substr(slash + 1), 1, kMaxShards, n) ||
        !readRange(v.substr(0, slash), 1, n, k))
        return say("--shard needs K/N with 1 <= K <= N, e.g. 2/8: ",
                   "--shard には 1 <= K <= N の K/N が要ります (例 2/8): ") +
               v;
    o.shard = std::pair<int, int>(static_cast<int>(k), static_cast<int>(n));
    return {};
}

std::string setSampleSize(BatchOptions& o, const std::string& v) {
    o.sampleSize = readSize(v);
    return o.sampleSize ? std::string()
                        : say("--sample-size needs WIDTHxHEIGHT, e.g. 640x480",
                              "--sample-size には 幅x高さ が要ります (例 640x480)");
}

}  // namespace rimvista::batch::setters
