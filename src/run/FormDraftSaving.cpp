#include "run/FormDraftSaving.h"

#include <cstdio>
#include <utility>

#include "diag/FailureReasons.h"
#include "forms/FormFile.h"
#include "forms/FormFolder.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/LocalTime.h"
#include "platform/MoveFile.h"
#include "platform/NewFile.h"
#include "shared/OneLineText.h"

namespace tenvor {

namespace {

// The folder below the forms folder that keeps the form files a draft replaced.
constexpr std::string_view kKeptFolderName = "old";
// How many kept files of one id may share one second before saving gives up.
constexpr int kMaxKeptNamesPerSecond = 100;

std::string ListWord(const FormDraft& draft, int list)
{
    if (list == kCommonList) {
        return "共通部分";
    }
    return draft.form.singleRecord ? "文書要素の直下" : "_被保険者";
}

// "<ID>-YYYYMMDD-HHMMSS.tsv", with "-<n>" before the extension from the second on.
std::string KeptName(const std::string& id, std::time_t now, int attempt)
{
    const std::tm local = LocalTime(now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string name = id + "-" + stamp;
    if (attempt > 1) {
        name += "-" + std::to_string(attempt);
    }
    return name + std::string(kFormFileExtension);
}

Unexpected<DraftRefusal> Refuse(std::string path, std::string reason)
{
    return Unexpected{DraftRefusal{std::move(path), std::move(reason)}};
}

std::string NotWrittenReason(const std::string& systemText)
{
    return "様式定義ファイルを作成できません: " + systemText;
}

// Makes the folder (its parents too) or says why it cannot be made.
std::optional<std::string> MakeFolder(const std::string& folder)
{
    if (IsDirectory(folder)) {
        return std::nullopt;
    }
    const SplitPathResult parts = SplitPath(folder);
    if (!parts.folder.empty() && !IsDirectory(parts.folder)) {
        CreateFolders(parts.folder);  // the chain below names the level that fails
    }
    const FolderChainResult made =
        CreateFolderChain(parts.folder.empty() ? "." : parts.folder, {parts.baseName + parts.extension});
    if (!made.ok) {
        return FolderNotCreatedReason(OneLineText(made.failedFolder), made.systemText);
    }
    return std::nullopt;
}

}  // namespace

DraftTarget DraftTargetOf(const FormDraft& draft, const std::string& appFolder)
{
    DraftTarget target;
    target.formFolder = FormFolderPath(appFolder.empty() ? AppFolder() : appFolder);
    target.path = JoinPath(target.formFolder, draft.form.id + std::string(kFormFileExtension));
    // The file the current definition came from (its name may differ in letter case), else one
    // that has appeared under the name since.
    if (!draft.currentFile.empty() && PathExists(draft.currentFile)) {
        target.existingPath = draft.currentFile;
    } else if (PathExists(target.path)) {
        target.existingPath = target.path;
    }
    return target;
}

DraftConfirmation DescribeDraft(const FormDraft& draft, const DraftTarget& target)
{
    DraftConfirmation confirmation;
    const std::string form = "様式" + draft.form.id;
    if (draft.IsNewForm()) {
        confirmation.heading = form + "は新しい様式です。次の項目で様式定義を作成します。";
    } else if (draft.differences.empty()) {
        confirmation.heading = form + "の今の様式定義と違いはありません。";
    } else {
        confirmation.heading = form + "の様式定義を次のとおり変更します。";
    }
    for (const FormDifference& difference : draft.differences) {
        if (difference.formLine) {
            continue;
        }
        confirmation.differences.push_back(std::string(difference.sign == DifferenceSign::Added ? "追加" : "削除") +
                                           "　" + ListWord(draft, difference.list) + "　" +
                                           std::to_string(difference.position) + "番目　" + difference.name);
    }
    if (!draft.differences.empty()) {
        confirmation.files.push_back("作成するファイル: " + OneLineText(target.path));
        if (!target.existingPath.empty()) {
            confirmation.files.push_back("今の様式定義ファイル: " + OneLineText(target.existingPath) +
                                         "（forms/oldに移して残します）");
        }
    }
    return confirmation;
}

Expected<SavedDraft, DraftRefusal> SaveFormDraft(const FormDraft& draft, const DraftTarget& target, std::time_t now)
{
    SavedDraft saved;
    saved.path = target.path;
    if (draft.differences.empty()) {
        return saved;
    }
    if (std::optional<std::string> problem = MakeFolder(target.formFolder)) {
        return Refuse({}, std::move(*problem));
    }

    // The file there now goes first, under a name of its own below old/.
    std::string existing = target.existingPath;
    if (!existing.empty() && !PathExists(existing)) {
        existing.clear();
    }
    if (existing.empty() && PathExists(target.path)) {
        existing = target.path;
    }
    if (!existing.empty() && IsDirectory(existing)) {
        return Refuse(existing, "様式定義ファイルの場所にフォルダがあります");
    }
    if (!existing.empty()) {
        const std::string keptFolder = JoinPath(target.formFolder, kKeptFolderName);
        if (std::optional<std::string> problem = MakeFolder(keptFolder)) {
            return Refuse({}, std::move(*problem));
        }
        for (int attempt = 1; saved.keptPath.empty(); ++attempt) {
            if (attempt > kMaxKeptNamesPerSecond) {
                return Refuse(existing, "forms/oldに同じ時刻の様式定義ファイルが多すぎます");
            }
            const std::string keptPath = JoinPath(keptFolder, KeptName(draft.form.id, now, attempt));
            const FileMove move = MoveFileWithoutReplacing(existing, keptPath);
            if (move.outcome == MoveOutcome::Moved) {
                saved.keptPath = keptPath;
            } else if (move.outcome == MoveOutcome::Failed) {
                return Refuse(existing, "様式定義ファイルをforms/oldに移せません: " + move.systemText);
            }
        }
    }

    NewFile file;
    std::string failure;
    if (!file.Open(target.path) || !file.Write(FormFileText(draft.form))) {
        failure = file.ErrorText();
        file.Abort();
    } else {
        switch (file.Commit()) {
            case NewFile::Publish::Done:
                saved.written = true;
                return saved;
            case NewFile::Publish::AlreadyExists:
                failure = "同じ名前のファイルがあります";
                break;
            case NewFile::Publish::Refused:
            case NewFile::Publish::WriteFailed:
                failure = file.ErrorText();
                break;
        }
    }
    std::string reason = NotWrittenReason(failure);
    if (!saved.keptPath.empty() && MoveFileWithoutReplacing(saved.keptPath, existing).outcome != MoveOutcome::Moved) {
        reason += "（今までの様式定義ファイルは" + OneLineText(saved.keptPath) + "にあります）";
    }
    return Refuse(target.path, std::move(reason));
}

}  // namespace tenvor
