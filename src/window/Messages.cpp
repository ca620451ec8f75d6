#include "window/Messages.h"

#include <QMessageBox>

#include "core/SystemErrorText.h"
#include "window/QtText.h"

namespace rimvista {

namespace {

QString figure(const Error& e, int i) {
    return QString::number(e.figures[static_cast<std::size_t>(i)]);
}
QString name(const Error& e, int i) {
    return fromUtf8(e.name(static_cast<std::size_t>(i)));
}
// The system's reason, or what the failing code said when the system gave none.
QString because(const Error& e) {
    return e.osError ? fromUtf8(systemErrorText(e.osError, true)) : fromUtf8(e.detail);
}
QString size(const Error& e, int first) {
    return figure(e, first) + QStringLiteral(" × ") + figure(e, first + 1);
}

}  // namespace

// One switch without a default: a kind added without its words stops the build.
QString describe(const Error& e) {
    switch (e.kind) {
        case ErrorKind::OutOfMemory:
            return QStringLiteral("メモリが足りません");
        case ErrorKind::FileBeyondMemory:
            return QStringLiteral("メモリが足りません (%1 MB のファイル)").arg(figure(e, 0));
        case ErrorKind::PictureBeyondCap:
            return QStringLiteral("メモリの上限を超えます (%1 の画像に %2 MB 必要、上限は %3 MB)")
                .arg(size(e, 0), figure(e, 2), figure(e, 3));
        case ErrorKind::PictureBeyondMemory:
            return QStringLiteral("メモリが足りません (%1 の画像に %2 MB 必要、空きは %3 MB)")
                .arg(size(e, 0), figure(e, 2), figure(e, 3));
        case ErrorKind::NoSuchFile:
            return QStringLiteral("ファイルがありません");
        case ErrorKind::IsFolder:
            return QStringLiteral("フォルダーです");
        case ErrorKind::CannotOpen:
            return QStringLiteral("ファイルを開けません: ") + because(e);
        case ErrorKind::NotRegularFile:
            return QStringLiteral("ファイルを開けません: 通常のファイルではありません");
        case ErrorKind::CannotRead:
            return QStringLiteral("ファイルを読み込めません: ") + because(e);
        case ErrorKind::FileCutShort:
            return QStringLiteral("ファイルを読み込めません: ファイルが途中で切れています");
        case ErrorKind::UnknownFormat:
            return QStringLiteral("画像として読み込めません: 対応していない形式です");
        case ErrorKind::InvalidPictureSize:
            return QStringLiteral("画像の大きさが不正です (%1)").arg(size(e, 0));
        case ErrorKind::FileTooSmallForPicture:
            return QStringLiteral("ファイルが小さすぎます (%1 バイトに %2 の画像は入りません)")
                .arg(figure(e, 0), size(e, 1));
        case ErrorKind::BmpHeaderTooShort:
            return QStringLiteral("BMP ファイルが壊れています: ヘッダーが短すぎます");
        case ErrorKind::BmpHeaderInvalid:
            return QStringLiteral("BMP ファイルが壊れています: ヘッダーが不正です");
        case ErrorKind::BmpSizeInvalid:
            return QStringLiteral("BMP ファイルが壊れています: 大きさが不正です");
        case ErrorKind::BmpMasksMissing:
            return QStringLiteral("BMP ファイルが壊れています: ビットマスクがありません");
        case ErrorKind::BmpPixelDataMissing:
            return QStringLiteral("BMP ファイルが壊れています: 画素データが足りません");
        case ErrorKind::BmpUnsupported:
            return QStringLiteral("対応していない BMP 形式です (%1 ビット, 圧縮 %2)")
                .arg(figure(e, 0), figure(e, 1));
        case ErrorKind::DamagedData:
            return QStringLiteral("%1 ファイルが壊れています").arg(name(e, 0)) +
                   (because(e).isEmpty() ? QString() : QStringLiteral(": ") + because(e));
        case ErrorKind::PngChunkPastEnd:
            return QStringLiteral(
                "PNG ファイルが壊れています: チャンクがファイルの終わりを越えています");
        case ErrorKind::PngUnsupported:
            return QStringLiteral("対応していない PNG 形式です");
        case ErrorKind::DecoderUnavailable:
            return QStringLiteral("%1 を読み込めません: デコーダーを作れません").arg(name(e, 0));
        case ErrorKind::UnreadablePicture:
            return QStringLiteral("画像として読み込めません: ") + because(e);
        case ErrorKind::NotStreamable:
            return QStringLiteral("このファイルは行ごとに読めません");
        case ErrorKind::RowsOutOfOrder:
            return QStringLiteral("行 %1 から %2 の順序が不正です").arg(figure(e, 0), figure(e, 1));
        case ErrorKind::NothingToSave:
            return QStringLiteral("保存する画像がありません");
        case ErrorKind::InvalidSaveSize:
            return QStringLiteral("保存する大きさが不正です (%1)").arg(size(e, 0));
        case ErrorKind::TooLargeForFormat:
            return QStringLiteral("%1 ファイルにするには大きすぎます (%2)")
                .arg(name(e, 0), size(e, 0));
        case ErrorKind::EncoderUnavailable:
            return QStringLiteral("%1 で保存できません: エンコーダーを作れません").arg(name(e, 0));
        case ErrorKind::EncodeFailed:
            return QStringLiteral("%1 で保存できません: %2").arg(name(e, 0), because(e));
        case ErrorKind::RowsMissing:
            return QStringLiteral("行が足りません (%2 行のうち %1 行)")
                .arg(figure(e, 0), figure(e, 1));
        case ErrorKind::CannotCreateTemporary:
            return QStringLiteral("一時ファイルを作成できません: ") + because(e);
        case ErrorKind::FileNotOpen:
            return QStringLiteral("書き込めません: ファイルが開いていません");
        case ErrorKind::CannotWrite:
            return QStringLiteral("書き込めません: ") + because(e);
        case ErrorKind::CannotSync:
            return QStringLiteral("ディスクに書き込めません: ") + because(e);
        case ErrorKind::CannotReplace:
            return QStringLiteral("ファイルを置き換えられません: ") + because(e);
        case ErrorKind::OutputExists:
            return QStringLiteral("%1 は既にあります").arg(name(e, 0));
        case ErrorKind::OutputFolderNotMade:
            return QStringLiteral("フォルダー %1 を作れません: %2").arg(name(e, 0), because(e));
        case ErrorKind::StandardOutputTakesOne:
            return QStringLiteral("標準出力には画像を 1 つしか書けません (%1 個あります)")
                .arg(figure(e, 0));
        case ErrorKind::OutputFileTakesOne:
            return QStringLiteral("%1 には画像を 1 つしか書けません (%2 個あります)")
                .arg(name(e, 0), figure(e, 0));
        case ErrorKind::OutputFormatUnknown:
            return QStringLiteral("%1 の形式がわかりません").arg(name(e, 0));
        case ErrorKind::OutputFormatMismatch:
            return QStringLiteral("%1 は形式 %2 に合いません").arg(name(e, 0), name(e, 1));
        case ErrorKind::OutputIsInput:
            return QStringLiteral("%1 の出力 %2 は入力の %3 です")
                .arg(name(e, 0), name(e, 1), name(e, 2));
        case ErrorKind::InputNamedTwice:
            return QStringLiteral("%1 が二度指定されています (%2 としても)")
                .arg(name(e, 0), name(e, 1));
        case ErrorKind::OutputShared:
            return QStringLiteral("%1 と %2 が同じ %3 に書かれます")
                .arg(name(e, 0), name(e, 1), name(e, 2));
        case ErrorKind::ResultNotReadBack:
            return QStringLiteral("結果を読み戻せません: ") + because(e);
        case ErrorKind::StandardOutputFailed:
            return QStringLiteral("標準出力に書けません: ") + because(e);
        case ErrorKind::SettingsBusy:
            return QStringLiteral("設定ファイルが他のプログラムに使われています");
        case ErrorKind::Unexpected:
            return QStringLiteral("予期しないエラーです: ") + because(e);
    }
    return {};
}

QString failureText(const QString& lead, const Error& error) {
    return lead + QStringLiteral("\n") + describe(error);
}

void showMessage(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace rimvista
