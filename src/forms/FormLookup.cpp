#include "forms/FormLookup.h"

#include <utility>

namespace tenvor {

namespace {

// The forms with every repeated id folded into the place of its first occurrence, the last
// definition of that id winning.
std::vector<FormDefinition> WithReplacementsInPlace(std::vector<FormDefinition> forms)
{
    std::vector<FormDefinition> distinct;
    distinct.reserve(forms.size());
    std::unordered_map<std::string, std::size_t> positions;
    for (FormDefinition& form : forms) {
        const auto [it, added] = positions.try_emplace(form.id, distinct.size());
        if (added) {
            distinct.push_back(std::move(form));
        } else {
            distinct[it->second] = std::move(form);
        }
    }
    return distinct;
}

}  // namespace

FieldIndex::FieldIndex(std::vector<std::string> names) : names_(std::move(names))
{
    positions_.reserve(names_.size());
    for (std::size_t i = 0; i < names_.size(); ++i) {
        // Names are distinct within a list; should one repeat, the first keeps the match.
        positions_.emplace(names_[i], static_cast<int>(i));
    }
}

FormLookup::FormLookup(const DataTbl& dataTbl) : FormLookup(dataTbl.Definitions()) {}

FormLookup::FormLookup(std::vector<FormDefinition> forms) : definitions_(WithReplacementsInPlace(std::move(forms)))
{
    forms_.reserve(definitions_.size());
    indexes_.reserve(definitions_.size() * 2);
    for (const FormDefinition& definition : definitions_) {
        FormEntry entry;
        entry.id = definition.id;
        entry.singleRecord = definition.singleRecord;
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

const FormEntry* FormLookup::Find(std::string_view formId) const
{
    const auto found = positions_.find(formId);
    return found == positions_.end() ? nullptr : &forms_[found->second];
}

}  // namespace tenvor
