// The option table: one row per option holds everything the parser, --help, the manual page and
// the completions know of it.
#include "batch/BatchOptions.h"

#include <array>

#include "batch/Messages.h"
#include "batch/OptionSetters.h"
#include "core/FrameParams.h"

namespace rimvista::batch {

namespace {

constexpr int kMaxJobs = 256;

using namespace setters;
using enum ValueKind;

// The three shapes of a row: a switch, an option with a value, an option with one of a few
// words as its value.
constexpr OptionRow flag(std::string_view name, char shortName, Wording help, OptionSetter set) {
    return OptionRow{name, shortName, {}, None, {}, help, {}, set};
}

constexpr OptionRow valued(std::string_view name, char shortName, std::string_view valueName,
                           ValueKind kind, Wording help, Wording byDefault, OptionSetter set) {
    return OptionRow{name, shortName, valueName, kind, {}, help, byDefault, set};
}

constexpr OptionRow choice(std::string_view name, char shortName, std::string_view valueName,
                           std::string_view choices, Wording help, Wording byDefault,
                           OptionSetter set) {
    return OptionRow{name, shortName, valueName, Choice, choices, help, byDefault, set};
}

constexpr std::array kTable{
    valued("frame", 'f', "W0,W1,W2,W3,X0,X1,Y0,Y1,KIND", Text,
           {"one frame: widths top, bottom, left, right; positions left, right, top, bottom; "
            "KIND 0 or convex, 1 or concave. Repeat for more, in order (at most 10). "
            "Numbers are read as the window reads its boxes: fractions are rounded to the "
            "nearest whole number, halves to the even one (2.5 is 2)",
            "枠一つ: 幅は上、下、左、右; 位置は左、右、上、下; KIND は 0 か凸 (convex)、1 か凹 "
            "(concave)。"
            "繰り返すと順に重ねます (最大 10)。数はウィンドウの入力欄と同じく読みます: "
            "小数は最も近い整数に、ちょうど半分は偶数に丸めます (2.5 は 2)"},
           {}, setFrame),
    valued("registration", 'r', "NAME|#SLOT", Text,
           {"replay a recording of the window instead",
            "代わりにウィンドウで記録した登録を再生します"},
           {}, setRegistration),
    flag("list-registrations", 0,
         {"list the recordings: slot, name, number of frames",
          "登録を一覧します: 番号、名前、枠の数"},
         setFlag<&BatchOptions::listRegistrations>),
    valued("settings", 0, "FILE", File,
           {"settings file holding the recordings", "登録を収めた設定ファイル"},
           {"the window's own", "ウィンドウの設定ファイル"}, setText<&BatchOptions::settingsFile>),
    valued("nest", 0, "N", Text,
           {"N nested frames of alternating kind from one --frame (at most 10)",
            "一つの --frame から凸と凹を交互に N 重の枠 (最大 10)"},
           {},
           [](BatchOptions& o, const std::string& v) {
               return setNumber(o.nest, "--nest", v, 1, FrameHistory::kMaxApplications);
           }),
    valued(
        "output", 'o', "DIR/|FILE|-", Path,
        {"where results go. DIR/ (ending in /, or an existing folder): into that "
         "folder, made when missing. FILE: the one result; its extension (.jpg, "
         ".png, .bmp) decides the format. -: the one result to standard output",
         "結果の書き先。DIR/ (/ で終わるか既存のフォルダー): そのフォルダーへ "
         "(無ければ作ります)。FILE: ただ一つの結果; 拡張子 (.jpg、.png、.bmp) "
         "が形式を決めます。-: ただ一つの結果を標準出力へ"},
        {"beside each picture, named NAME-framed.EXT", "各画像の隣に NAME-framed.EXT という名前で"},
        setOutput),
    valued("suffix", 0, "TEXT", Text,
           {"added to the names beside the pictures; given, also to the names in an "
            "output folder",
            "画像の隣に書く名前に付けます; 指定すると出力フォルダーの中の名前にも"
            "付けます"},
           {"-framed", "-framed"}, setSuffix),
    choice("format", 0, "jpg|png|bmp", "jpg png bmp", {"output format", "出力の形式"},
           {"the picture's own, by its contents", "内容から見分けた画像自身の形式"}, setFormat),
    valued("quality", 0, "Q", Text, {"JPEG quality 1..100", "JPEG の品質 1..100"},
           {"a JPEG's own, estimated; 92 otherwise", "JPEG の画像は元の品質 (推定)、他は 92"},
           [](BatchOptions& o, const std::string& v) {
               return setNumber(o.quality, "--quality", v, 1, 100);
           }),
    flag("strip", 0,
         {"leave out colour profile, Exif, XMP, comments and density",
          "カラープロファイル、Exif、XMP、コメント、解像度を書きません"},
         setFlag<&BatchOptions::strip>),
    flag("recursive", 'R',
         {"frame the pictures in folders given, and in their subfolders; under -o the "
          "folder tree is kept",
          "指定したフォルダーとそのサブフォルダーの画像に枠を付けます; "
          "-o の下にはフォルダーの木をそのまま作ります"},
         setFlag<&BatchOptions::recursive>),
    flag("follow-links", 'L',
         {"with -R, follow links to folders (loops are found and left); without it they are "
          "reported and left",
          "-R と共に: フォルダーへのリンクをたどります (輪になったリンクは見つけて除きます); "
          "指定しなければ報告して除きます"},
         setFlag<&BatchOptions::followLinks>),
    valued("files-from", 0, "FILE", File,
           {"also frame the pictures named in FILE, one a line (- reads the input)",
            "FILE に一行に一つずつ書かれた画像にも枠を付けます (- は標準入力から"
            "読みます)"},
           {}, setFilesFrom),
    flag("null", '0',
         {"with --files-from: the names end in a NUL byte (find -print0), not a line end",
          "--files-from と共に: 名前の区切りは改行でなく NUL バイト (find -print0)"},
         setFlag<&BatchOptions::nullSeparated>),
    valued("shard", 0, "K/N", Text,
           {"frame only part K of N of the pictures (a stable split by name), to share "
            "one command among N machines or jobs",
            "画像を名前で N 組に分けた K 組目だけに枠を付けます "
            "(一つのコマンドを N 台のマシンやジョブで分け合うため)"},
           {}, setShard),
    flag("dry-run", 'n',
         {"show what would be written; write nothing", "何を書くかを示すだけで、何も書きません"},
         setFlag<&BatchOptions::dryRun>),
    flag("overwrite", 0, {"replace existing outputs", "既にある出力を置き換えます"},
         setFlag<&BatchOptions::overwrite>),
    flag("skip-existing", 0,
         {"leave existing outputs as they are (a re-run finishes the rest)",
          "既にある出力はそのままにします (やり直すと残りを仕上げます)"},
         setFlag<&BatchOptions::skipExisting>),
    valued("jobs", 'j', "N", Text, {"pictures processed at once", "同時に処理する画像の数"},
           {"the number of cores", "コアの数"},
           [](BatchOptions& o, const std::string& v) {
               return setNumber(o.jobs, "--jobs", v, 1, kMaxJobs);
           }),
    valued("memory", 0, "MB", Text, {"memory for pictures in work", "処理中の画像に使うメモリー"},
           {"3/4 of the available memory", "空いているメモリーの 3/4"},
           [](BatchOptions& o, const std::string& v) {
               return setNumber(o.memoryMegabytes, "--memory", v, 1, 1LL << 40);
           }),
    flag("quiet", 'q', {"no progress display", "進み具合を表示しません"},
         setFlag<&BatchOptions::quiet>),
    flag("version", 'V', {"the version", "バージョンを表示します"},
         setFlag<&BatchOptions::version>),
    flag("help", 'h', {"this text", "この説明を表示します"}, setFlag<&BatchOptions::help>),
    valued("make-sample", 0, "FILE", File,
           {"write a sample picture to try the tool on", "試しに使う見本の画像を書きます"}, {},
           setText<&BatchOptions::sampleFile>),
    valued("sample-size", 0, "WxH", Text,
           {"with --make-sample: the sample picture's size", "--make-sample と共に: 見本の大きさ"},
           {"640x480", "640x480"}, setSampleSize),
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
        "started), 128 + N ended by signal N (129 hang-up, 141 broken pipe).",
        "0 すべての画像に枠を付けた、1 失敗したか飛ばした画像がある、2 使い方の誤り、"
        "130 中断 (Ctrl-C を押したときに処理中の画像は仕上げ、残りは始めません)、"
        "128 + N シグナル N で終了 (129 ハングアップ、141 パイプ切れ)。"};
}

}  // namespace rimvista::batch
