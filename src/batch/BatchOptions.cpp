// The option table: one row per option holds everything the parser, --help, the manual page and
// the completions know of it.
#include "batch/BatchOptions.h"

#include <array>
#include <charconv>

#include "batch/Messages.h"
#include "core/FrameParams.h"

namespace rimvista::batch {

namespace {

constexpr int kMaxJobs = 256;
constexpr long long kMaxShards = 1000000;
constexpr long long kMaxSampleSide = 100000;

std::optional<long long> wholeNumber(std::string_view text) {
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

bool readRange(std::string_view text, long long lo, long long hi, long long& out) {
    const auto v = wholeNumber(text);
    if (!v || *v < lo || *v > hi) return false;
    out = *v;
    return true;
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

std::string rangeError(std::string_view option, long long lo, long long hi) {
    const std::string from = std::to_string(lo), to = std::to_string(hi);
    return std::string(option) + say(" needs a whole number from " + from + " to " + to,
                                     " には " + from + " から " + to + " までの整数が要ります");
}

// Reads a whole number within [lo, hi] into field, or says why not.
template <typename T>
std::string setNumber(std::optional<T>& field, std::string_view option, const std::string& v,
                      long long lo, long long hi) {
    long long n = 0;
    if (!readRange(v, lo, hi, n)) return rangeError(option, lo, hi);
    field = static_cast<T>(n);
    return {};
}

std::string onlyOnce(std::string_view option) {
    return std::string(option) + say(" may be given only once", " は一度しか指定できません");
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

// A switch: sets its flag, takes no value.
template <bool BatchOptions::*flag>
std::string setFlag(BatchOptions& o, const std::string&) {
    o.*flag = true;
    return {};
}

// A text value kept as given.
template <std::optional<std::string> BatchOptions::*field>
std::string setText(BatchOptions& o, const std::string& v) {
    o.*field = v;
    return {};
}

using enum ValueKind;

constexpr std::array kTable{
    OptionRow{"frame",
              'f',
              "W0,W1,W2,W3,X0,X1,Y0,Y1,KIND",
              Text,
              "",
              {"one frame: widths top, bottom, left, right; positions left, right, top, bottom; "
               "KIND 0 convex, 1 concave. Repeat for more (at most 10), applied in order. "
               "Numbers are read as the window reads its boxes: fractions are rounded to the "
               "nearest whole number, halves to the even one (2.5 is 2)",
               "枠一つ: 幅は上、下、左、右; 位置は左、右、上、下; KIND は 0 が凸、1 が凹。"
               "繰り返すと順に重ねます (最大 10)。数はウィンドウの入力欄と同じく読みます: "
               "小数は最も近い整数に、ちょうど半分は偶数に丸めます (2.5 は 2)"},
              {},
              setFrame},
    OptionRow{"registration",
              'r',
              "NAME|#SLOT",
              Text,
              "",
              {"replay a recording of the window instead",
               "代わりにウィンドウで記録した登録を再生します"},
              {},
              setRegistration},
    OptionRow{"list-registrations",
              0,
              "",
              None,
              "",
              {"list the recordings: slot, name, number of frames",
               "登録を一覧します: 番号、名前、枠の数"},
              {},
              setFlag<&BatchOptions::listRegistrations>},
    OptionRow{"settings",
              0,
              "FILE",
              File,
              "",
              {"settings file holding the recordings", "登録を収めた設定ファイル"},
              {"the window's own", "ウィンドウの設定ファイル"},
              setText<&BatchOptions::settingsFile>},
    OptionRow{"nest",
              0,
              "N",
              Text,
              "",
              {"with one --frame: N nested frames of alternating kind (at most 10)",
               "--frame 一つと共に: 凸と凹を交互に N 重の枠 (最大 10)"},
              {},
              [](BatchOptions& o, const std::string& v) {
                  return setNumber(o.nest, "--nest", v, 1, FrameHistory::kMaxApplications);
              }},
    OptionRow{
        "output",
        'o',
        "DIR/|FILE|-",
        Path,
        "",
        {"DIR/ (ending in /, or an existing folder): results go there, created when "
         "missing. FILE: the one result; its extension (.jpg, .png, .bmp) decides the "
         "format. -: the one result to standard output",
         "DIR/ (/ で終わるか既存のフォルダー): 結果をそこへ書きます (無ければ作ります)。"
         "FILE: ただ一つの結果; 拡張子 (.jpg、.png、.bmp) が形式を決めます。"
         "-: ただ一つの結果を標準出力へ"},
        {"beside each picture, named NAME-framed.EXT", "各画像の隣に NAME-framed.EXT という名前で"},
        setOutput},
    OptionRow{"suffix",
              0,
              "TEXT",
              Text,
              "",
              {"added to the names beside the pictures; given, also to the names in an output "
               "folder",
               "画像の隣に書く名前に付けます; 指定すると出力フォルダーの中の名前にも付けます"},
              {"-framed", "-framed"},
              setSuffix},
    OptionRow{"format",
              0,
              "jpg|png|bmp",
              Choice,
              "jpg png bmp",
              {"output format", "出力の形式"},
              {"the picture's own, by its contents", "内容から見分けた画像自身の形式"},
              setFormat},
    OptionRow{"quality",
              0,
              "Q",
              Text,
              "",
              {"JPEG quality 1..100", "JPEG の品質 1..100"},
              {"a JPEG's own, estimated; 92 otherwise", "JPEG の画像は元の品質 (推定)、他は 92"},
              [](BatchOptions& o, const std::string& v) {
                  return setNumber(o.quality, "--quality", v, 1, 100);
              }},
    OptionRow{"strip",
              0,
              "",
              None,
              "",
              {"leave out colour profile, Exif, XMP, comments and density",
               "カラープロファイル、Exif、XMP、コメント、解像度を書きません"},
              {},
              setFlag<&BatchOptions::strip>},
    OptionRow{"recursive",
              'R',
              "",
              None,
              "",
              {"frame the pictures in folders given, and in their subfolders; under -o the "
               "folder tree is kept",
               "指定したフォルダーとそのサブフォルダーの画像に枠を付けます; "
               "-o の下にはフォルダーの木をそのまま作ります"},
              {},
              setFlag<&BatchOptions::recursive>},
    OptionRow{"files-from",
              0,
              "FILE",
              File,
              "",
              {"also frame the pictures named in FILE, one a line (- reads the input)",
               "FILE に一行に一つずつ書かれた画像にも枠を付けます (- は標準入力から読みます)"},
              {},
              setFilesFrom},
    OptionRow{"shard",
              0,
              "K/N",
              Text,
              "",
              {"frame only part K of N of the pictures (a stable split by name), to share one "
               "command among N machines or jobs",
               "画像を名前で N 組に分けた K 組目だけに枠を付けます "
               "(一つのコマンドを N 台のマシンやジョブで分け合うため)"},
              {},
              setShard},
    OptionRow{
        "dry-run",
        'n',
        "",
        None,
        "",
        {"show what would be written; write nothing", "何を書くかを示すだけで、何も書きません"},
        {},
        setFlag<&BatchOptions::dryRun>},
    OptionRow{"overwrite",
              0,
              "",
              None,
              "",
              {"replace existing outputs", "既にある出力を置き換えます"},
              {},
              setFlag<&BatchOptions::overwrite>},
    OptionRow{"skip-existing",
              0,
              "",
              None,
              "",
              {"leave existing outputs as they are (a re-run finishes the rest)",
               "既にある出力はそのままにします (やり直すと残りを仕上げます)"},
              {},
              setFlag<&BatchOptions::skipExisting>},
    OptionRow{"jobs",
              'j',
              "N",
              Text,
              "",
              {"pictures processed at once", "同時に処理する画像の数"},
              {"the number of cores", "コアの数"},
              [](BatchOptions& o, const std::string& v) {
                  return setNumber(o.jobs, "--jobs", v, 1, kMaxJobs);
              }},
    OptionRow{"memory",
              0,
              "MB",
              Text,
              "",
              {"memory for pictures in work", "処理中の画像に使うメモリー"},
              {"3/4 of the available memory", "空いているメモリーの 3/4"},
              [](BatchOptions& o, const std::string& v) {
                  return setNumber(o.memoryMegabytes, "--memory", v, 1, 1LL << 40);
              }},
    OptionRow{"quiet",
              'q',
              "",
              None,
              "",
              {"no progress display", "進み具合を表示しません"},
              {},
              setFlag<&BatchOptions::quiet>},
    OptionRow{"version",
              'V',
              "",
              None,
              "",
              {"the version", "バージョンを表示します"},
              {},
              setFlag<&BatchOptions::version>},
    OptionRow{"help",
              'h',
              "",
              None,
              "",
              {"this text", "この説明を表示します"},
              {},
              setFlag<&BatchOptions::help>},
    OptionRow{"make-sample",
              0,
              "FILE",
              File,
              "",
              {"write a sample picture to try the tool on", "試しに使う見本の画像を書きます"},
              {},
              setText<&BatchOptions::sampleFile>},
    OptionRow{
        "sample-size",
        0,
        "WxH",
        Text,
        "",
        {"with --make-sample: the sample picture's size", "--make-sample と共に: 見本の大きさ"},
        {"640x480", "640x480"},
        setSampleSize},
};

}  // namespace

std::string Wording::operator()() const {
    return say(english, japanese);
}

std::span<const OptionRow> optionTable() {
    return kTable;
}

Wording toolSummary() {
    return {"Paints bevelled frames into many pictures at once, exactly as Rimvista's window does.",
            "Rimvista のウィンドウと同じ枠を、多くの画像に一度に描き込みます。"};
}

Wording picturesNote() {
    return {
        "Pictures are JPEG, PNG and BMP files, told by their contents; other names are "
        "reported and skipped.",
        "画像は JPEG、PNG、BMP のファイルで、内容で見分けます; それ以外の名前は報告して"
        "飛ばします。"};
}

Wording exitStatusNote() {
    return {
        "0 all pictures framed, 1 some failed or were skipped, 2 usage error, 130 interrupted "
        "(the pictures in work when Ctrl-C was pressed are finished, the others are not "
        "started).",
        "0 すべての画像に枠を付けた、1 失敗したか飛ばした画像がある、2 使い方の誤り、"
        "130 中断 (Ctrl-C を押したときに処理中の画像は仕上げ、残りは始めません)。"};
}

}  // namespace rimvista::batch
