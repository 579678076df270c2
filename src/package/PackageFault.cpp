#include "package/PackageFault.h"

namespace tenvor {

int ErrorKindOf(PackageFault fault)
{
    switch (fault) {
        case PackageFault::PackageMissing:
        case PackageFault::PackageUnreadable:
        case PackageFault::PackageVanished:
        case PackageFault::PackageChanged:
        case PackageFault::ReadError:
            return 2;
        default:
            return 1;
    }
}

std::string FaultReason(PackageFault fault, std::string_view unsafePart)
{
    switch (fault) {
        case PackageFault::NotAZip:
            return "ZIPファイルとして読めません（破損しているか、ZIPファイルではありません）";
        case PackageFault::NestedTooDeep:
            return "ZIPファイルの入れ子が深すぎます（4段まで）";
        case PackageFault::EncryptedMember:
            return "暗号化されたメンバーです";
        case PackageFault::UnsupportedMethod:
            return "対応していない圧縮方式です";
        case PackageFault::CrcMismatch:
            return "CRCが一致しません";
        case PackageFault::CorruptMember:
            return "メンバーのデータが壊れています";
        case PackageFault::UnsafeName:
            return "安全でない名前です: " + std::string(unsafePart);
        case PackageFault::TooLarge:
            return "展開後のサイズが上限（256MiB）を超えます";
        case PackageFault::RatioTooHigh:
            return "圧縮率が上限（1000倍）を超えます";
        case PackageFault::PackageMissing:
            return "ZIPファイルが見つかりません";
        case PackageFault::PackageUnreadable:
            return "ZIPファイルを開けません";
        case PackageFault::PackageVanished:
            return "ZIPファイルが読み込みの途中でなくなりました";
        case PackageFault::PackageChanged:
            return "ZIPファイルが読み込みの途中で変更されました";
        case PackageFault::ReadError:
            return "ZIPファイルの読み込みに失敗しました";
    }
    return "ZIPファイルを読めません";
}

}  // namespace tenvor
