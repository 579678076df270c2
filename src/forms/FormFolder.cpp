#include "forms/FormFolder.h"

#include <map>
#include <optional>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/InputFile.h"

namespace tenvor {

namespace {

Unexpected<FormFileProblem> Problem(FormFileFault fault, std::string text, std::string path)
{
    return Unexpected{FormFileProblem{fault, 0, std::move(text), std::move(path)}};
}

// The text of a form file, unparsed.
Expected<std::string, FormFileProblem> ReadFormText(const std::string& path)
{
    // One byte past the limit tells a file that is too long from one that just fits.
    std::optional<std::string> text = ReadFileHead(path, kMaxFormFileBytes + 1);
    if (!text) {
        return Problem(FormFileFault::Unreadable, "ファイルを読み込めません。", path);
    }
    if (text->size() > kMaxFormFileBytes) {
        return Problem(FormFileFault::TooLarge,
                       "ファイルが大きすぎます(" + std::to_string(kMaxFormFileBytes) + "バイトまで)。", path);
    }
    return std::move(*text);
}

}  // namespace

std::string FormFolderPath(const std::string& appFolder)
{
    return JoinPath(appFolder, kFormFolderName);
}

Expected<std::vector<FileForm>, FormFileProblem> ReadFormFolder(const std::string& folder, std::string_view emptyFileId)
{
    if (!PathExists(folder)) {
        return std::vector<FileForm>{};
    }
    const std::optional<std::vector<std::string>> names =
        IsDirectory(folder) ? ListFileNames(folder, kFormFileExtension) : std::nullopt;
    if (!names) {
        return Problem(FormFileFault::Unreadable, "フォルダを読み込めません。", folder);
    }
    if (names->size() > kMaxFormFiles) {
        return Problem(FormFileFault::TooLarge,
                       "様式定義ファイルが多すぎます(" + std::to_string(kMaxFormFiles) + "個まで)。", folder);
    }
    std::map<std::string, FileForm> byId;
    for (const std::string& name : *names) {
        const std::string path = JoinPath(folder, name);
        const std::string id = name.substr(0, name.size() - kFormFileExtension.size());
        if (!HasFormIdShape(id)) {
            return Problem(FormFileFault::FileName,
                           "ファイル名が様式ID(Nと7桁の数字)に「" + std::string(kFormFileExtension) +
                               "」を付けた名前ではありません。",
                           path);
        }
        if (byId.count(id) != 0) {
            return Problem(FormFileFault::DuplicateFile, "同じ様式IDのファイルがほかにもあります。", path);
        }
        const Expected<std::string, FormFileProblem> text = ReadFormText(path);
        if (!text) {
            return Unexpected{text.error()};
        }
        if (text->empty() && id == emptyFileId) {
            continue;
        }
        Expected<FormDefinition, FormFileProblem> form = ParseFormFile(*text, id);
        if (!form) {
            FormFileProblem problem = form.error();
            problem.path = path;
            return Unexpected{std::move(problem)};
        }
        byId.emplace(id, FileForm{std::move(*form), path});
    }
    std::vector<FileForm> forms;
    forms.reserve(byId.size());
    for (auto& [id, form] : byId) {
        forms.push_back(std::move(form));
    }
    return forms;
}

}  // namespace tenvor
