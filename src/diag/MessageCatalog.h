// Every text the tool shows: message boxes, log labels, error texts and their guidance.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "shared/ErrorKind.h"
#include "state/RunMessage.h"
#include "state/RunSummary.h"

namespace tenvor {

// Rows of messageList.
enum MessageIndex : int {
    kMsgCompleted = 0,
    kMsgCompletedWithErrors = 1,
    kMsgAlreadyRunning = 2,
    kMsgXmlFileMissing = 3,
    kMsgNotXmlFile = 4,
    kMsgFolderMissing = 5,
    kMsgLogFileOpen = 6,
    kMsgWriteFailed = 7,
    kMsgFormFileInvalid = 8,         // %s: the file, the line and what is wrong
    kMsgRunAborted = 9,              // %s: what failed
    kMsgWorkbookExists = 10,         // %s: the workbook
    kMsgWorkbookFolderMissing = 11,  // %s: the workbook
};

// Log codes; 0 to 3 are also the error kinds (ErrorKind).
enum LogCode : int {
    kSameFile = 0,
    kFormatNotSupported = 1,
    kFileMissing = 2,
    kNoPermission = 3,
    kDebugMode = 4,
    kToolStarted = 5,
    kToolEnded = 6,
    kMeasureStart = 7,
    kMeasureEnd = 8,
};

inline constexpr std::array<std::string_view, 12> messageList = {
    "処理が完了しました。",
    "処理が完了しました。\n%s件のエラーが発生しました。",
    "既に起動しています。",
    "XMLファイルが存在しません。",
    "XMLファイルではありません。",
    "電子通知書(XML)に入力されたフォルダが存在しません。",
    "ログファイルが開かれています。\n閉じてから再実行してください。",
    "ファイルの書き込みに失敗しました。",
    "様式定義ファイルに誤りがあります。%s",
    // A run stopped by a failure that belongs to no file, such as memory running out between
    // two files; what failed follows on the next line.
    "予期しないエラーのため処理を中断しました。\n%s",
    // A workbook the window was asked for that cannot be written: the path on the next line.
    "一覧表と同名のファイルが存在します。\n%s",
    "一覧表の保存先フォルダが存在しません。\n%s",
};

inline constexpr std::array<std::string_view, 9> errorKindList = {
    "同一ファイル", "形式対象外", "ファイル有無", "権限有無", "デバッグモード",
    "ツール起動",   "ツール終了", "測定開始",     "測定終了",
};

inline constexpr std::array<std::string_view, 4> errorContentList = {
    "選択したファイルと同名のファイルが存在します。",
    "選択したファイルの形式が正しくありません。",
    "選択したファイルが存在しません。",
    "選択したフォルダに書き込み権限がありません。",
};

inline constexpr std::array<std::string_view, 4> guidanceList = {
    "選択したファイルと同名のファイルが存在しないか確認してください。",
    "選択したファイルが正しいものか確認してください。",
    "選択したファイルがフォルダ内に存在するか確認してください。",
    "選択したフォルダに書き込み権限があるか確認してください。",
};

// The headers of the error list's three columns (and of the workbook's sheet of failed files).
inline constexpr std::array<std::string_view, 3> errorListHeaders = {"項番", "エラー内容", "対象ファイル"};

inline constexpr std::string_view kCaptionError = "エラー";
inline constexpr std::string_view kCaptionCompleted = "完了";

// The description of one message box.
struct StMessage {
    int msgIndex = 0;
    unsigned msgType = 0;  // 0: a single OK button, no icon
    std::string caption;
    std::string insertText;
};

// The text of row msgIndex with every "%s" replaced by insertText.
std::string MessageText(int msgIndex, const std::string& insertText);
// The text of a message of the core: its row with each "%s" replaced by the next argument
// (an empty text when there are fewer).
std::string MessageText(const RunMessage& message);

// The error list's text for a kind, and the guidance the guidance box shows for it.
inline std::string_view ErrorText(ErrorKind kind)
{
    return errorContentList.at(ToIndex(kind));
}
inline std::string_view GuidanceText(ErrorKind kind)
{
    return guidanceList.at(ToIndex(kind));
}

// The guidance box's further line for a file that failed the field check: the row's context menu
// drafts a form definition from it.
inline constexpr std::string_view kGuidanceFormDraft =
    "右クリックメニューの「この通知書から様式定義を作成...」で、この通知書に合わせた様式定義を作成できます。";

// The completion message's further line in the window when files were written in Shift_JIS with
// characters it lacks replaced: %s is the number of such files.
inline constexpr std::string_view kCompletionReplacedCharacters =
    "Shift_JISで表せない文字を「?」に置き換えたファイルが%s件あります。UTF-8で出力すると置き換えません。";

// That line for the summary's files; nothing when no character was replaced.
std::optional<std::string> ReplacedCharactersLine(const RunSummary& summary);

// What a message reports: the completion of a run, or an error that refused or stopped one (or
// the start of a second instance).
enum class MessageKind { Completion, Error };

// Rows 0 and 1 report a completed run; every other row an error.
inline MessageKind MessageKindOf(int msgIndex)
{
    return msgIndex == kMsgCompleted || msgIndex == kMsgCompletedWithErrors ? MessageKind::Completion
                                                                            : MessageKind::Error;
}

// The caption of a message's box: "完了" for a completed run, "エラー" for every other.
inline std::string_view MessageCaption(int msgIndex)
{
    return MessageKindOf(msgIndex) == MessageKind::Completion ? kCaptionCompleted : kCaptionError;
}

// The message a front end that asked for a workbook shows for its refusal, which comes back in
// the summary alone (the command line words it in a line of its own); nothing for other refusals.
inline std::optional<RunMessage> WorkbookRefusalMessage(const RunRefusal& refusal)
{
    switch (refusal.reason) {
        case RefusalReason::WorkbookExists:
            return RunMessage{kMsgWorkbookExists, {refusal.path}};
        case RefusalReason::WorkbookFolderMissing:
        case RefusalReason::WorkbookFolderNotFolder:
            return RunMessage{kMsgWorkbookFolderMissing, {refusal.path}};
        default:
            return std::nullopt;
    }
}

}  // namespace tenvor
