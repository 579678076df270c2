// The one catalogue of forms the runs know: the built-in forms (DataTbl::builtInForms) in their
// order, each replaced in its place by a form file of its id, then the forms the form files add.
// Every row is a form's id, whether it is a single-record form, its common and insured lists and
// where it comes from; built once, read-only afterwards. For each list it keeps a hash from
// element name to position, so that matching a node costs one lookup instead of a copy of the
// list and a scan per node.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "forms/FormDefinition.h"
#include "forms/FormFile.h"
#include "shared/Expected.h"

namespace tenvor {

class FieldIndex {
public:
    explicit FieldIndex(std::vector<std::string> names);
    FieldIndex(const FieldIndex&) = delete;
    FieldIndex& operator=(const FieldIndex&) = delete;

    // Position of the definition with this element name, or -1.
    int Find(std::string_view name) const
    {
        const auto it = positions_.find(name);
        return it == positions_.end() ? -1 : it->second;
    }
    // The same, trying the position `expected` first (fields mostly come in their list's order).
    int Find(std::string_view name, std::size_t expected) const
    {
        if (distinct_ && expected < names_.size() && names_[expected] == name) {
            return static_cast<int>(expected);
        }
        return Find(name);
    }
    int Size() const { return static_cast<int>(names_.size()); }
    const std::vector<std::string>& Names() const { return names_; }

private:
    std::vector<std::string> names_;
    std::unordered_map<std::string_view, int> positions_;
    bool distinct_ = true;  // no name repeats, so a name found at a position is found there
};

// A form as a form file gives it, and that file's path.
struct FileForm {
    FormDefinition definition;
    std::string filePath;
};

// One row of the catalogue.
struct FormEntry {
    std::string id;
    bool singleRecord = false;
    std::array<const FieldIndex*, 2> lists{};  // kCommonList, kInsuredList
    std::string filePath;                      // the form file it was read from; empty for a built-in form
};

class FormCatalogue {
public:
    // The built-in forms, in the order of styleNumList.
    FormCatalogue();
    // The built-in forms and the forms of form files: a file's form whose id is already in the
    // catalogue (a built-in form's) replaces that form in its place; the others follow in the
    // order given.
    explicit FormCatalogue(std::vector<FileForm> fileForms);
    FormCatalogue(FormCatalogue&&) = default;
    FormCatalogue& operator=(FormCatalogue&&) = default;
    FormCatalogue(const FormCatalogue&) = delete;
    FormCatalogue& operator=(const FormCatalogue&) = delete;

    // The built-in forms and those of the forms folder (see ReadFormFolder, FormFolder.h), or the
    // folder's first problem. emptyFileId: the one form whose file is passed over when empty.
    static Expected<FormCatalogue, FormFileProblem> Read(const std::string& formFolder,
                                                         std::string_view emptyFileId = {});

    // The row of a form id (compared exactly), or nullptr.
    const FormEntry* Find(std::string_view formId) const;
    // The definition of a form id (compared exactly), or nullptr.
    const FormDefinition* Definition(std::string_view formId) const;
    // Every row, in order.
    std::span<const FormEntry> Forms() const { return forms_; }
    // The definitions of the rows (with the byte lengths), in the order of Forms().
    std::span<const FormDefinition> Definitions() const { return definitions_; }

private:
    std::vector<FormDefinition> definitions_;
    std::vector<std::unique_ptr<FieldIndex>> indexes_;
    std::vector<FormEntry> forms_;
    // Views of the ids in forms_, whose strings stay where they are when the catalogue is moved.
    std::unordered_map<std::string_view, std::size_t> positions_;
};

}  // namespace tenvor
