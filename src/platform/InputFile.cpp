#include "platform/InputFile.h"

#include <cerrno>
#include <system_error>

namespace tenvor {

std::string SystemErrorText(int errnoValue)
{
    switch (errnoValue) {
        case ENOENT:
            return "見つかりません";
        case EACCES:
        case EPERM:
            return "アクセスが拒否されました（権限がないか、ほかのプログラムが使用中です）";
        case EISDIR:
            return "フォルダです";
        case EIO:
            return "入出力エラーが発生しました";
        case ELOOP:
            return "シンボリックリンクが多すぎるか循環しています";
        case ENAMETOOLONG:
            return "パスが長すぎます";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます";
        default:
            return std::generic_category().message(errnoValue);
    }
}

std::string InputFile::OpenFailure() const
{
    return notRegular_ ? "通常のファイルではありません" : SystemErrorText(error_);
}

std::optional<std::string> ReadFileHead(const std::string& path, std::size_t maxBytes)
{
    InputFile file;
    if (!file.Open(path)) {
        return std::nullopt;
    }
    std::string text(maxBytes, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const long n = file.Read(text.data() + got, text.size() - got);
        if (n <= 0) {
            break;  // the end, or a read error: what was read stands
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

}  // namespace tenvor
