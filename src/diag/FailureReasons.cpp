#include "diag/FailureReasons.h"

#include <array>
#include <cstddef>

namespace tenvor {

namespace {

// The text of each package fault, in the order of PackageFaultKind.
constexpr std::array<std::string_view, 14> kPackageFaultTexts = {
    "ZIPファイルとして読めません（破損しているか、ZIPファイルではありません）",  // NotAZip
    "ZIPファイルの入れ子が深すぎます（4段まで）",                                // NestedTooDeep
    "暗号化されたメンバーです",                                                  // EncryptedMember
    "対応していない圧縮方式です",                                                // UnsupportedMethod
    "CRCが一致しません",                                                         // CrcMismatch
    "メンバーのデータが壊れています",                                            // CorruptMember
    "安全でない名前です",                                                        // UnsafeName
    "展開後のサイズが上限（256MiB）を超えます",                                  // TooLarge
    "圧縮率が上限（1000倍）を超えます",                                          // RatioTooHigh
    "ZIPファイルが見つかりません",                                               // PackageMissing
    "ZIPファイルを開けません",                                                   // PackageUnreadable
    "ZIPファイルが読み込みの途中でなくなりました",                               // PackageVanished
    "ZIPファイルが読み込みの途中で変更されました",                               // PackageChanged
    "ZIPファイルの読み込みに失敗しました",                                       // ReadError
};
static_assert(static_cast<std::size_t>(PackageFaultKind::ReadError) + 1 == kPackageFaultTexts.size());

std::string Quoted(std::string_view name)
{
    return "「" + std::string(name) + "」";
}

std::string PlaceName(FieldPlace place)
{
    switch (place.part) {
        case FieldPlace::Part::Common:
            return "共通部分";
        case FieldPlace::Part::SingleRecord:
            return "文書要素の直下";
        case FieldPlace::Part::Person:
            break;
    }
    return std::to_string(place.person) + "件目の_被保険者";
}

std::string PlaceText(FieldPlace place)
{
    return "（" + PlaceName(place) + "）";
}

}  // namespace

std::string ExistingCsvReason(std::string_view csvPath)
{
    return "出力先に同名のファイルがあります: " + std::string(csvPath);
}

std::string NotWellFormedReason(int line, int column, std::string_view parserMessage)
{
    std::string reason = "XMLとして正しくありません（" + std::to_string(line) + "行" + std::to_string(column) + "列）";
    if (!parserMessage.empty()) {
        reason += ": " + std::string(parserMessage);
    }
    return reason;
}

std::string TooLargeReason(std::int64_t bytes, std::int64_t limit)
{
    return "ファイルが大きすぎます（" + std::to_string(bytes) + "バイト、上限" + std::to_string(limit) + "バイト）";
}

std::string EntityReason()
{
    return "使えない実体参照があります（外部の実体、未定義の実体、または展開後が大きすぎる実体）";
}

std::string UnsupportedFormReason(std::string_view documentElement)
{
    return "対応していない様式です: 文書要素" + Quoted(documentElement);
}

std::string OutOfMemoryReason()
{
    return "メモリが足りません";
}

std::string FieldProblemReason(FieldProblem problem, std::string_view formId, std::string_view name, FieldPlace place)
{
    const std::string form = "様式" + std::string(formId);
    switch (problem) {
        case FieldProblem::UndefinedElement:
            return form + "に定義されていない要素" + Quoted(name) + "があります" + PlaceText(place);
        case FieldProblem::MissingElement:
            return form + "の要素" + Quoted(name) + "がありません" + PlaceText(place);
        case FieldProblem::RepeatedElement:
            return "要素" + Quoted(name) + "が2回以上あります" + PlaceText(place);
        case FieldProblem::Comment:
            return "項目の間にコメントがあります" + PlaceText(place);
        case FieldProblem::ProcessingInstruction:
            return "項目の間に処理命令があります" + PlaceText(place);
        case FieldProblem::Text:
            return "項目の間に文字があります" + PlaceText(place);
    }
    return form + "の項目と一致しません" + PlaceText(place);
}

std::string NoPersonRecordReason(std::string_view formId)
{
    return "様式" + std::string(formId) + "の_被保険者がありません";
}

std::string PackageLimitReason(const PackageFault& fault)
{
    const std::string found = std::to_string(fault.found);
    const std::string limit = std::to_string(fault.limit);
    switch (fault.kind) {
        case PackageFaultKind::TooManyEntries:
            return "ZIPファイルのメンバーが多すぎます（" + found + "個、上限" + limit + "個）";
        case PackageFaultKind::TooManyEntriesInAll:
            return "ZIPファイルのメンバーが中のZIPファイルの分と合わせて多すぎます（" + found + "個、上限" + limit +
                   "個）";
        case PackageFaultKind::DirectoryTooLarge:
            return "ZIPファイルの中央ディレクトリが大きすぎます（" + found + "バイト、上限" + limit + "バイト）";
        case PackageFaultKind::NestedZipTooLarge:
            return "ZIPファイルの中のZIPファイルが大きすぎます（開いているZIPファイルと合わせて" + found +
                   "バイト、上限" + limit + "バイト）";
        case PackageFaultKind::NameTooLong:
            return "メンバーの名前が長すぎます（" + found + "バイト、上限" + limit + "バイト）";
        case PackageFaultKind::TooManyFolders:
            return "メンバーのフォルダが深すぎます（" + found + "段、上限" + limit + "段）";
        case PackageFaultKind::ComponentTooLong:
            return "ファイル名またはフォルダ名が長すぎます（" + found + "バイト、上限" + limit + "バイト）";
        case PackageFaultKind::PathTooLong:
            return "出力先のパスが長すぎます（" + found + "バイト、上限" + limit + "バイト）";
        case PackageFaultKind::TooManyRecords:
            return "ZIPファイルの中の変換するファイルが上限（" + limit + "件）に達したため、残りは変換していません";
        case PackageFaultKind::ListingTooLarge:
            return "ファイルの一覧が上限（" + limit + "バイト）に達したため、このZIPファイルの残りは変換していません";
        default:
            return PackageFaultReason(fault);
    }
}

std::string PackageFaultReason(const PackageFault& fault)
{
    if (fault.kind > PackageFaultKind::ReadError) {
        return PackageLimitReason(fault);
    }
    std::string reason(kPackageFaultTexts.at(static_cast<std::size_t>(fault.kind)));
    if (fault.kind == PackageFaultKind::UnsafeName) {
        reason += ": " + fault.detail;
    } else if (!fault.detail.empty()) {
        reason += "（" + fault.detail + "）";
    }
    return reason;
}

std::string NestedElementReason(std::string_view name, FieldPlace place)
{
    return "要素" + Quoted(name) + "の中に要素があります" + PlaceText(place);
}

std::string NoFieldReason(FieldPlace place)
{
    return "項目がありません" + PlaceText(place);
}

std::string DifferentFieldsReason(FieldPlace place, std::string_view referencePath, FieldPlace referencePlace,
                                  int position, std::string_view name, std::string_view referenceName)
{
    const std::string reference =
        (referencePath.empty() ? std::string() : std::string(referencePath) + "の") + PlaceName(referencePlace);
    const std::string nth = std::to_string(position) + "番目の要素";
    if (name.empty()) {
        return reference + "の" + nth + Quoted(referenceName) + "がありません" + PlaceText(place);
    }
    if (referenceName.empty()) {
        return nth + Quoted(name) + "が" + reference + "にはありません" + PlaceText(place);
    }
    return nth + Quoted(name) + "が" + reference + "では" + Quoted(referenceName) + "です" + PlaceText(place);
}

std::string DifferentFormReason(std::string_view documentElement, std::string_view otherPath,
                                std::string_view otherElement)
{
    return "文書要素" + Quoted(documentElement) + "が" + std::string(otherPath) + "の" + Quoted(otherElement) +
           "と異なります";
}

std::string NoNotificationReason()
{
    return "通知書がありません（文書要素が「N」と7桁の数字のXMLファイルがありません）";
}

std::string MemberNotFoundReason(std::string_view member)
{
    return "ZIPファイルの中に" + Quoted(member) + "がありません";
}

std::string ReadFailureReason(std::string_view systemText)
{
    return "ファイルを読み込めません: " + std::string(systemText);
}

std::string UnlistedFolderReason()
{
    return "フォルダの中を読み取れません";
}

std::string OutputFolderMissingReason(std::string_view folder)
{
    return "出力先フォルダがありません: " + std::string(folder);
}

std::string FolderNotCreatedReason(std::string_view folder, std::string_view systemText)
{
    return "フォルダを作成できません: " + std::string(folder) + ": " + std::string(systemText);
}

std::string LinkedFolderReason(std::string_view folder)
{
    return "フォルダがリンクのため出力できません: " + std::string(folder);
}

std::string CsvNotCreatedReason(std::string_view csvPath, std::string_view systemText)
{
    return "CSVファイルを作成できません: " + std::string(csvPath) + ": " + std::string(systemText);
}

std::string ScratchFileReason(std::string_view systemText)
{
    return "一時フォルダーに作業ファイルを書き込めません: " + std::string(systemText);
}

}  // namespace tenvor
