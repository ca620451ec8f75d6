// Every failure in rimvista-batch's two languages, English and Japanese side by side.
#include <string>

#include "batch/Messages.h"
#include "core/SystemErrorText.h"
#include "imageio/FormatRegistry.h"

namespace rimvista::batch {

namespace {

class Words {
public:
    Words(const Error& e, Language language) : m_e(e), m_ja(language == Language::Japanese) {}

    std::string in(const std::string& english, const std::string& japanese) const {
        return m_ja ? japanese : english;
    }
    std::string figure(int i) const {
        return std::to_string(m_e.figures[static_cast<std::size_t>(i)]);
    }
    std::string name(int i) const { return m_e.name(static_cast<std::size_t>(i)); }
    std::string size(int first) const {
        return figure(first) + (m_ja ? " × " : " x ") + figure(first + 1);
    }
    // The system's reason, or what the failing code said when the system gave none.
    std::string because() const {
        return m_e.osError ? systemErrorText(m_e.osError, m_ja) : m_e.detail;
    }
    // ": " and the reason, or nothing when there is none.
    std::string colonBecause() const {
        const std::string reason = because();
        return reason.empty() ? reason : ": " + reason;
    }
    // "JPEG, PNG or BMP", from the registry; with extensions ".jpg, .png or .bmp".
    std::string formats(bool extensions = false) const {
        std::string list;
        const auto all = files::pictureFormats();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (i > 0) list += m_ja ? "、" : (i + 1 == all.size() ? " or " : ", ");
            if (extensions) list += '.';
            list += extensions ? all[i]->primaryExtension() : std::string_view(all[i]->name);
        }
        return list;
    }

private:
    const Error& m_e;
    bool m_ja;
};

}  // namespace

// One switch without a default: a kind added without its words stops the build.
std::string describe(const Error& e, Language language) {
    const Words w(e, language);
    switch (e.kind) {
        case ErrorKind::OutOfMemory:
            return w.in("not enough memory", "メモリが足りません");
        case ErrorKind::FileBeyondMemory:
            return w.in("not enough memory for a file of " + w.figure(0) + " MB",
                        w.figure(0) + " MB のファイルにはメモリが足りません");
        case ErrorKind::PictureBeyondCap:
            return w.in(w.size(0) + " needs " + w.figure(2) + " MB, more than --memory " +
                            w.figure(3) + " allows",
                        w.size(0) + " には " + w.figure(2) + " MB が要りますが、--memory は " +
                            w.figure(3) + " MB です");
        case ErrorKind::PictureBeyondMemory:
            return w.in(w.size(0) + " needs " + w.figure(2) + " MB, more than the " + w.figure(3) +
                            " MB of memory available",
                        w.size(0) + " には " + w.figure(2) + " MB が要りますが、使えるメモリは " +
                            w.figure(3) + " MB です");
        case ErrorKind::NoSuchFile:
            return w.in("no such file", "ファイルがありません");
        case ErrorKind::IsFolder:
            return w.in("is a folder (-R frames the pictures in it)",
                        "フォルダーです (-R でその中の画像を処理します)");
        case ErrorKind::CannotOpen:
            return w.in("cannot open the file: ", "ファイルを開けません: ") + w.because();
        case ErrorKind::NotRegularFile:
            return w.in("not a regular file", "通常のファイルではありません");
        case ErrorKind::CannotRead:
            return w.in("cannot read the file: ", "ファイルを読み込めません: ") + w.because();
        case ErrorKind::FileCutShort:
            return w.in("the file is cut short", "ファイルが途中で切れています");
        case ErrorKind::UnknownFormat:
            return w.in("not a " + w.formats() + " picture; skipped",
                        w.formats() + " の画像ではありません。飛ばします");
        case ErrorKind::InvalidPictureSize:
            return w.in("invalid picture size " + w.size(0),
                        "画像の大きさが不正です (" + w.size(0) + ")");
        case ErrorKind::FileTooSmallForPicture:
            return w.in("the file is too small: " + w.figure(0) + " bytes cannot hold a " +
                            w.size(1) + " picture",
                        "ファイルが小さすぎます (" + w.figure(0) + " バイトに " + w.size(1) +
                            " の画像は入りません)");
        case ErrorKind::BmpHeaderTooShort:
            return w.in("damaged BMP file: header too short",
                        "BMP ファイルが壊れています: ヘッダーが短すぎます");
        case ErrorKind::BmpHeaderInvalid:
            return w.in("damaged BMP file: invalid header",
                        "BMP ファイルが壊れています: ヘッダーが不正です");
        case ErrorKind::BmpSizeInvalid:
            return w.in("damaged BMP file: invalid size",
                        "BMP ファイルが壊れています: 大きさが不正です");
        case ErrorKind::BmpMasksMissing:
            return w.in("damaged BMP file: colour masks missing",
                        "BMP ファイルが壊れています: ビットマスクがありません");
        case ErrorKind::BmpPixelDataMissing:
            return w.in("damaged BMP file: pixel data missing",
                        "BMP ファイルが壊れています: 画素データが足りません");
        case ErrorKind::BmpUnsupported:
            return w.in("unsupported kind of BMP (" + w.figure(0) + " bits, compression " +
                            w.figure(1) + ")",
                        "対応していない BMP 形式です (" + w.figure(0) + " ビット, 圧縮 " +
                            w.figure(1) + ")");
        case ErrorKind::DamagedData:
            return w.in("damaged " + w.name(0) + " data", w.name(0) + " のデータが壊れています") +
                   w.colonBecause();
        case ErrorKind::PngChunkPastEnd:
            return w.in("damaged PNG file: a chunk runs past the end of the file",
                        "PNG ファイルが壊れています: チャンクがファイルの終わりを越えています");
        case ErrorKind::PngUnsupported:
            return w.in("unsupported kind of PNG", "対応していない PNG 形式です");
        case ErrorKind::DecoderUnavailable:
            return w.in("no " + w.name(0) + " decoder could be made",
                        w.name(0) + " のデコーダーを作れません");
        case ErrorKind::UnreadablePicture:
            return w.in("not readable as a picture: ", "画像として読み込めません: ") + w.because();
        case ErrorKind::NotStreamable:
            return w.in("cannot be read row by row", "行ごとに読めません");
        case ErrorKind::RowsOutOfOrder:
            return w.in("rows " + w.figure(0) + " to " + w.figure(1) + " out of order",
                        "行 " + w.figure(0) + " から " + w.figure(1) + " の順序が不正です");
        case ErrorKind::NothingToSave:
            return w.in("no picture to save", "保存する画像がありません");
        case ErrorKind::InvalidSaveSize:
            return w.in("invalid size to save: " + w.size(0),
                        "保存する大きさが不正です (" + w.size(0) + ")");
        case ErrorKind::TooLargeForFormat:
            return w.in(w.size(0) + " is too large for a " + w.name(0) + " file",
                        w.size(0) + " は " + w.name(0) + " ファイルにするには大きすぎます");
        case ErrorKind::EncoderUnavailable:
            return w.in("no " + w.name(0) + " encoder could be made",
                        w.name(0) + " のエンコーダーを作れません");
        case ErrorKind::EncodeFailed:
            return w.in("cannot encode as " + w.name(0) + ": ", w.name(0) + " にできません: ") +
                   w.because();
        case ErrorKind::RowsMissing:
            return w.in("only " + w.figure(0) + " of " + w.figure(1) + " rows were written",
                        w.figure(1) + " 行のうち " + w.figure(0) + " 行しか書かれていません");
        case ErrorKind::CannotCreateTemporary:
            return w.in("cannot create a temporary file: ", "一時ファイルを作成できません: ") +
                   w.because();
        case ErrorKind::FileNotOpen:
            return w.in("the file is not open", "ファイルが開いていません");
        case ErrorKind::CannotWrite:
            return w.in("cannot write: ", "書き込めません: ") + w.because();
        case ErrorKind::CannotSync:
            return w.in("cannot write to the disk: ", "ディスクに書き込めません: ") + w.because();
        case ErrorKind::CannotReplace:
            return w.in("cannot replace the file: ", "ファイルを置き換えられません: ") +
                   w.because();
        case ErrorKind::OutputExists:
            return w.in(w.name(0) +
                            " already exists (--overwrite replaces it, --skip-existing "
                            "leaves it)",
                        w.name(0) +
                            " は既にあります (--overwrite で置き換え、--skip-existing で"
                            "そのままにします)");
        case ErrorKind::OutputFolderNotMade:
            return w.in("cannot create the output folder " + w.name(0) + ": ",
                        "出力フォルダー " + w.name(0) + " を作れません: ") +
                   w.because();
        case ErrorKind::StandardOutputTakesOne:
            return w.in("-o - (standard output) takes one picture; " + w.figure(0) +
                            " were given (end the name with / for a folder)",
                        "-o - (標準出力) には画像を 1 つしか書けません。" + w.figure(0) +
                            " 個あります (フォルダーなら名前を / で終えてください)");
        case ErrorKind::OutputFileTakesOne:
            return w.in("the output file " + w.name(0) + " takes one picture; " + w.figure(0) +
                            " were given (end the name with / for a folder)",
                        "出力ファイル " + w.name(0) + " には画像を 1 つしか書けません。" +
                            w.figure(0) + " 個あります (フォルダーなら名前を / で終えてください)");
        case ErrorKind::OutputFormatUnknown:
            return w.in("cannot tell the output format of " + w.name(0) + ": name it " +
                            w.formats(true) + ", or end it with / for a folder",
                        w.name(0) + " の形式がわかりません。" + w.formats(true) +
                            " で終えるか、フォルダーなら / で終えてください");
        case ErrorKind::OutputFormatMismatch:
            return w.in("the output name " + w.name(0) + " does not fit --format " + w.name(1),
                        "出力の名前 " + w.name(0) + " は --format " + w.name(1) + " に合いません");
        case ErrorKind::OutputIsInput:
            return w.in(w.name(0) + ": its output " + w.name(1) + " is the input " + w.name(2) +
                            " (give -o, or a --suffix)",
                        w.name(0) + ": 出力 " + w.name(1) + " は入力の " + w.name(2) +
                            " です (-o か --suffix を指定してください)");
        case ErrorKind::InputNamedTwice:
            return w.in(w.name(0) + " is named twice (also as " + w.name(1) + ")",
                        w.name(0) + " が二度指定されています (" + w.name(1) + " としても)");
        case ErrorKind::OutputShared:
            return w.in(
                w.name(0) + " and " + w.name(1) + " would both be written to " + w.name(2) +
                    " (give --suffix, another -o, or frame them in two runs)",
                w.name(0) + " と " + w.name(1) + " が同じ " + w.name(2) +
                    " に書かれます (--suffix か別の -o を指定するか、二回に分けてください)");
        case ErrorKind::ResultNotReadBack:
            return w.in("cannot read back the result: ", "結果を読み戻せません: ") + w.because();
        case ErrorKind::StandardOutputFailed:
            return w.in("cannot write to standard output: ", "標準出力に書けません: ") +
                   w.because();
        case ErrorKind::SettingsBusy:
            return w.in("the settings file is in use by another program",
                        "設定ファイルが他のプログラムに使われています");
        case ErrorKind::Unexpected:
            return w.in("failed: ", "失敗しました: ") + w.because();
    }
    return {};
}

}  // namespace rimvista::batch
