// A read-only index over the catalogue, built once: for each supported form its two lists of
// element names with a hash from name to position, so that matching a node costs one lookup
// instead of a copy of the list and a scan per node.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "forms/DataTbl.h"

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
    explicit FormLookup(const DataTbl& dataTbl);
    FormLookup(const FormLookup&) = delete;
    FormLookup& operator=(const FormLookup&) = delete;

    // The entry of a supported form id, or nullptr.
    const FormEntry* Find(std::string_view formId) const;

private:
    std::vector<std::unique_ptr<FieldIndex>> indexes_;
    std::vector<FormEntry> forms_;  // in the order of styleNumList
};

}  // namespace tenvor
