#include "core/SystemErrorText.h"

#include <locale.h>
#include <string.h>

#include <cerrno>

namespace rimvista {

namespace {

const char* japaneseText(int error) {
    switch (error) {
        case ENOSPC:
            return "ディスクに空きがありません";
        case EDQUOT:
            return "ディスクの割り当てを超えました";
        case EACCES:
        case EPERM:
            return "アクセスが許可されていません";
        case EROFS:
            return "読み取り専用のファイルシステムです";
        case ENOENT:
            return "ファイルまたはフォルダーがありません";
        case ENOTDIR:
            return "フォルダーではありません";
        case EISDIR:
            return "フォルダーです";
        case EEXIST:
            return "既にあります";
        case EIO:
            return "入出力エラーです";
        case ENOMEM:
            return "メモリが足りません";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます";
        case ENAMETOOLONG:
            return "名前が長すぎます";
        case ELOOP:
            return "シンボリックリンクが多すぎます";
        case EFBIG:
            return "ファイルが大きすぎます";
        case EXDEV:
            return "別のファイルシステムへは移せません";
        case EBUSY:
        case ETXTBSY:
            return "使用中です";
        case EINVAL:
            return "引数が不正です";
        case EAGAIN:
            return "一時的に使えません";
        default:
            return nullptr;
    }
}

// The C library's English words, whatever locale the process has set (a window toolkit sets
// the user's, and the C library would then answer in the user's language).
std::string englishText(int error) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    if (c) return strerror_l(error, c);
    return "system error " + std::to_string(error);
}

}  // namespace

std::string systemErrorText(int error, bool japanese) {
    if (!japanese) return englishText(error);
    if (const char* text = japaneseText(error)) return text;
    return "システムエラー " + std::to_string(error);
}

}  // namespace rimvista
