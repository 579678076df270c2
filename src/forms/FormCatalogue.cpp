#include "forms/FormCatalogue.h"

#include <utility>

#include "forms/DataTbl.h"
#include "forms/FormFolder.h"

namespace tenvor {

FieldIndex::FieldIndex(std::vector<std::string> names) : names_(std::move(names))
{
    positions_.reserve(names_.size());
    for (std::size_t i = 0; i < names_.size(); ++i) {
        // Names are distinct within a list; should one repeat, the first keeps the match.
        positions_.emplace(names_[i], static_cast<int>(i));
    }
    distinct_ = positions_.size() == names_.size();
}

FormCatalogue::FormCatalogue() : FormCatalogue(std::vector<FileForm>{}) {}

FormCatalogue::FormCatalogue(std::vector<FileForm> fileForms) : definitions_(BuildBuiltInForms())
{
    std::vector<std::string> filePaths(definitions_.size());
    std::unordered_map<std::string, std::size_t> rows;
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        rows.emplace(definitions_[i].id, i);
    }
    // The one place where a form file's form takes the place of a form of its id (a built-in one,
    // or one given earlier), or else joins the catalogue after the others.
    for (FileForm& fileForm : fileForms) {
        const auto [row, added] = rows.try_emplace(fileForm.definition.id, definitions_.size());
        if (added) {
            definitions_.push_back(std::move(fileForm.definition));
            filePaths.push_back(std::move(fileForm.filePath));
        } else {
            definitions_[row->second] = std::move(fileForm.definition);
            filePaths[row->second] = std::move(fileForm.filePath);
        }
    }

    forms_.reserve(definitions_.size());
    indexes_.reserve(definitions_.size() * 2);
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        const FormDefinition& definition = definitions_[i];
        FormEntry entry;
        entry.id = definition.id;
        entry.singleRecord = definition.singleRecord;
        entry.filePath = std::move(filePaths[i]);
        for (const int list : {kCommonList, kInsuredList}) {
            const DataDifList& definitions = list == kCommonList ? definition.commonList : definition.insuredList;
            indexes_.push_back(std::make_unique<FieldIndex>(DataTbl::GetNodeNameList(definitions)));
            entry.lists[static_cast<std::size_t>(list)] = indexes_.back().get();
        }
        forms_.push_back(std::move(entry));
    }
    // Only now that forms_ no longer grows may its ids be viewed.
    positions_.reserve(forms_.size());
    for (std::size_t i = 0; i < forms_.size(); ++i) {
        positions_.emplace(forms_[i].id, i);
    }
}

Expected<FormCatalogue, FormFileProblem> FormCatalogue::Read(const std::string& formFolder,
                                                             std::string_view emptyFileId)
{
    Expected<std::vector<FileForm>, FormFileProblem> fileForms = ReadFormFolder(formFolder, emptyFileId);
    if (!fileForms) {
        return Unexpected{fileForms.error()};
    }
    return FormCatalogue(std::move(*fileForms));
}

const FormEntry* FormCatalogue::Find(std::string_view formId) const
{
    const auto found = positions_.find(formId);
    return found == positions_.end() ? nullptr : &forms_[found->second];
}

const FormDefinition* FormCatalogue::Definition(std::string_view formId) const
{
    const auto found = positions_.find(formId);
    return found == positions_.end() ? nullptr : &definitions_[found->second];
}

}  // namespace tenvor
