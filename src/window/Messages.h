#pragma once
// The window's texts: its message boxes (a text, a title, the exclamation icon and one OK
// button), its questions and the descriptions of its file dialogs' filters, and every failure
// worded in Japanese. The parameter checks' texts are the frame engine's (core/FrameCommand.h),
// shared with rimvista-batch.

#include <QString>
#include <utility>

#include "core/Error.h"
#include "imageio/FormatRegistry.h"

class QWidget;

namespace rimvista {

inline const QString kProgramTitle = QStringLiteral("Rimvista");

// Opening, dropping and saving.
inline const QString kDropError = QStringLiteral("Drop Error");
inline const QString kOpenFailed = QStringLiteral("開けませんでした。");
// A picture named on the command line; %1 the file. The reason follows on the next line.
inline const QString kNamedFileNotOpened = QStringLiteral("%1 を開けませんでした。");
// A picture opened although part of its data is damaged; the reason follows on the next line.
inline const QString kOpenedDamaged =
    QStringLiteral("画像のデータの一部が壊れています。正しく表示されない部分があります。");
inline const QString kSaveFailed = QStringLiteral("保存できませんでした。");
inline const QString kBadExtension = QStringLiteral("拡張子が不正です。");
inline const QString kMissingFolder =
    QStringLiteral("%1\nこのフォルダーは存在しません。\nパスを確認してください。");

// The file dialogs' filters: the open filter's one description, and the save filter's, one per
// format the window saves, in the order the filter lists them.
inline const QString kPictureFilesLabel = QStringLiteral("画像ファイル ");
inline const std::pair<files::FormatId, QString> kSaveFilterLabels[] = {
    {files::FormatId::Bmp, QStringLiteral("BMPファイル ")},
    {files::FormatId::Jpeg, QStringLiteral("JPGファイル")},  // no blank before its patterns
};

// Work not yet saved.
inline const QString kUnsavedQuestion =
    QStringLiteral("枠を付けた絵が保存されていません。\n保存しますか？");
inline const QString kSaveButton = QStringLiteral("保存");
inline const QString kDiscardButton = QStringLiteral("保存しない");
inline const QString kCancelButton = QStringLiteral("キャンセル");

// Recording.
inline const QString kRegistrationsFull = QStringLiteral("登録数が100を超えます。");
inline const QString kNameBoxTitle = QStringLiteral("登録名設定");
inline const QString kNameBoxLabel = QStringLiteral("登録名を入れてください。");
inline const QString kNameBoxProposal = QStringLiteral("登録名#%1");  // %1: the slot

// The failure in Japanese, with its figures, names and the system's reason.
QString describe(const Error& error);

// A lead text ("保存できませんでした。") over the failure's description.
QString failureText(const QString& lead, const Error& error);

void showMessage(QWidget* parent, const QString& text, const QString& title = kProgramTitle);

}  // namespace rimvista
