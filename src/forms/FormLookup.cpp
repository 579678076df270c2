#include "forms/FormLookup.h"

#include <memory>

#include "forms/StyleNumList.h"

namespace tenvor {

FieldIndex::FieldIndex(std::vector<std::string> names) : names_(std::move(names))
{
    positions_.reserve(names_.size());
    for (std::size_t i = 0; i < names_.size(); ++i) {
        // Names are distinct within a list; should one repeat, the first keeps the match.
        positions_.emplace(names_[i], static_cast<int>(i));
    }
}

FormLookup::FormLookup(const DataTbl& dataTbl)
{
    forms_.reserve(styleNumList.size());
    for (const std::string_view id : styleNumList) {
        FormEntry entry;
        entry.id = std::string(id);
        entry.singleRecord = IsSingleRecordForm(id);
        const auto found = dataTbl.dataDifMap.find(entry.id);
        for (const int list : {kCommonList, kInsuredList}) {
            DataDifList definitions;
            if (found != dataTbl.dataDifMap.end() && static_cast<std::size_t>(list) < found->second.size()) {
                definitions = found->second[static_cast<std::size_t>(list)];
            }
            indexes_.push_back(std::make_unique<FieldIndex>(DataTbl::GetNodeNameList(std::move(definitions))));
            entry.lists[static_cast<std::size_t>(list)] = indexes_.back().get();
        }
        forms_.push_back(std::move(entry));
    }
}

const FormEntry* FormLookup::Find(std::string_view formId) const
{
    const int position = StyleNumPosition(formId);
    return position < 0 ? nullptr : &forms_[static_cast<std::size_t>(position)];
}

}  // namespace tenvor
