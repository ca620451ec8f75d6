#include "batch/Messages.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace rimvista::batch {

namespace {

// The readers' and writers' phrases; longer ones first where one contains another.
const std::vector<std::pair<std::string_view, std::string_view>>& phrases() {
    static const std::vector<std::pair<std::string_view, std::string_view>> table = [] {
        std::vector<std::pair<std::string_view, std::string_view>> t = {
            {"一時ファイルを作成できません", "cannot create a temporary file"},
            {"二度目の open", "opened twice"},
            {"ディスクに書き込めません", "cannot write to the disk"},
            {"ファイルが開いていません", "the file is not open"},
            {"書き込めません", "cannot write"},
            {"ファイルを置き換えられません", "cannot replace the file"},
            {"BMP ファイルが壊れています", "damaged BMP file"},
            {"JPEG ファイルが壊れています", "damaged JPEG file"},
            {"PNG ファイルが壊れています", "damaged PNG file"},
            {"ヘッダーが短すぎます", "header too short"},
            {"ヘッダーが不正です", "invalid header"},
            {"画像の大きさが不正です", "invalid picture size"},
            {"保存する大きさが不正です", "invalid size to save"},
            {"大きさが不正です", "invalid size"},
            {"ビットマスクがありません", "colour masks missing"},
            {"対応していない BMP 形式です", "unsupported kind of BMP"},
            {"対応していない PNG 形式です", "unsupported kind of PNG"},
            {" ビット, 圧縮 ", " bits, compression "},
            {"画素データが足りません", "pixel data missing"},
            {"メモリが足りません", "not enough memory"},
            {"(画像の回転)", "(turning the picture upright)"},
            {"保存する画像がありません", "no picture to save"},
            {"BMP ファイルにするには大きすぎます", "too large for a BMP file"},
            {"JPEG にするには大きすぎます", "too large for a JPEG file"},
            {"ファイルを開けません", "cannot open the file"},
            {"通常のファイルではありません", "not a regular file"},
            {"ファイルを読み込めません", "cannot read the file"},
            {"ファイルが途中で切れています", "the file is cut short"},
            {"JPEG を読み込めません", "cannot read the JPEG"},
            {"デコーダーを作れません", "no decoder"},
            {"JPEG で保存できません", "cannot save as JPEG"},
            {"PNG で保存できません", "cannot save as PNG"},
            {"エンコーダーを作れません", "no encoder"},
            {"画像として読み込めません", "not readable as a picture"},
        };
        std::stable_sort(t.begin(), t.end(), [](const auto& a, const auto& b) {
            return a.first.size() > b.first.size();
        });
        return t;
    }();
    return table;
}

}  // namespace

bool japaneseLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::string_view(value).substr(0, 2) == "ja";
    }
    return false;
}

std::string say(std::string_view english, std::string_view japanese) {
    static const bool ja = japaneseLocale();
    return std::string(ja ? japanese : english);
}

std::string fileReason(const std::string& reason) {
    static const bool ja = japaneseLocale();
    if (ja) return reason;
    std::string text = reason;
    for (const auto& [from, to] : phrases()) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    }
    return text;
}

std::string frameCheckText(FrameCheck check, int width, int height, std::size_t entry,
                           std::size_t frames, const std::string& output) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    std::string text = check == FrameCheck::WidthError
                           ? say("the frame's widths do not fit this " + size + " picture",
                                 std::string(checkMessage(check)))
                           : say("the frame's positions do not fit this " + size + " picture",
                                 std::string(checkMessage(check)));
    if (frames > 1)
        text += say(" (frame " + std::to_string(entry) + " of " + std::to_string(frames) + ")",
                    " (" + std::to_string(frames) + " 枠中 " + std::to_string(entry) + " 番目)");
    const std::string what = check == FrameCheck::WidthError ? "widths" : "positions";
    return text + say("; " + output + " not written (smaller " + what + " would fit)", "");
}

}  // namespace rimvista::batch
