#pragma once
// What the open dialogs offer: the same filter and flags for the window's own dialog and for the
// common-dialog based procedure.

#include <QString>

namespace rimvista {

inline const QString kPictureOpenFilter =
    QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg");
inline constexpr int kPictureOpenFlags = 4100;  // file must exist (4096), hide read-only (4)

}  // namespace rimvista
