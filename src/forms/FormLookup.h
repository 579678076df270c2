// A read-only index over a set of forms, built once: for each form its two lists of element names
// with a hash from name to position, so that matching a node costs one lookup instead of a copy of
// the list and a scan per node. Built from the built-in catalogue, or from any sequence of form
// definitions (forms of the catalogue, forms beyond it, replacements of its forms).
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "forms/DataTbl.h"
#include "forms/FormDefinition.h"

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
    int Size() const { return static_cast<int>(names_.size()); }
    const std::vector<std::string>& Names() const { return names_; }

private:
    std::vector<std::string> names_;
    std::unordered_map<std::string_view, int> positions_;
};

struct FormEntry {
    std::string id;
    bool singleRecord = false;
    std::array<const FieldIndex*, 2> lists{};  // kCommonList, kInsuredList
};

class FormLookup {
public:
    // The built-in forms, in the order of styleNumList.
    explicit FormLookup(const DataTbl& dataTbl);
    // The given forms, in the order given. A definition whose id an earlier one already has
    // replaces that earlier one in its place, so a catalogue followed by replacements keeps the
    // catalogue's order.
    explicit FormLookup(std::vector<FormDefinition> forms);
    FormLookup(const FormLookup&) = delete;
    FormLookup& operator=(const FormLookup&) = delete;

    // The entry of a form id (compared exactly), or nullptr.
    const FormEntry* Find(std::string_view formId) const;

    // Every form, in order.
    std::span<const FormEntry> Forms() const { return forms_; }
    // The definitions the forms were built from (with the byte lengths), in the order of Forms().
    std::span<const FormDefinition> Definitions() const { return definitions_; }

private:
    std::vector<FormDefinition> definitions_;
    std::vector<std::unique_ptr<FieldIndex>> indexes_;
    std::vector<FormEntry> forms_;
    std::unordered_map<std::string_view, std::size_t> positions_;  // views of the ids in forms_
};

}  // namespace tenvor
