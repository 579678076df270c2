#include "forms/DataTbl.h"

#include <algorithm>
#include <iterator>

#include "forms/FieldTable.h"

namespace tenvor {

namespace {

DataDifList ListFromTable(std::span<const FieldDef> table)
{
    DataDifList list;
    list.reserve(table.size());
    for (const FieldDef& field : table) {
        DataTbl::SetDataDifinition(list, field.name, field.bytes);
    }
    return list;
}

}  // namespace

DataTbl::DataTbl()
{
    for (const BuiltInForm& row : builtInForms) {
        FormDefinition form;
        form.id = std::string(row.id);
        form.singleRecord = row.singleRecord;
        row.build(form);
        DataDifLists lists;
        lists.push_back(std::move(form.commonList));
        lists.push_back(std::move(form.insuredList));
        dataDifMap[form.id] = std::move(lists);
    }
}

void DataTbl::SetDataDifinition(DataDifList& targetList, std::string sNodename, int iBytes)
{
    targetList.push_back(StDataDif{std::move(sNodename), iBytes});
}

std::vector<std::string> DataTbl::GetNodeNameList(DataDifList stDataDifList)
{
    std::vector<std::string> names;
    names.reserve(stDataDifList.size());
    for (auto& definition : stDataDifList) {
        names.push_back(std::move(definition.sNodename));
    }
    return names;
}

std::vector<FormDefinition> DataTbl::Definitions() const
{
    std::vector<FormDefinition> forms;
    forms.reserve(std::size(builtInForms));
    for (const BuiltInForm& row : builtInForms) {
        if (auto form = Definition(row.id)) {
            forms.push_back(std::move(*form));
        }
    }
    return forms;
}

std::optional<FormDefinition> DataTbl::Definition(std::string_view formId) const
{
    const auto row = std::find_if(std::begin(builtInForms), std::end(builtInForms),
                                  [&](const BuiltInForm& candidate) { return candidate.id == formId; });
    if (row == std::end(builtInForms)) {
        return std::nullopt;
    }
    FormDefinition form;
    form.id = std::string(row->id);
    form.singleRecord = row->singleRecord;
    if (const auto found = dataDifMap.find(form.id); found != dataDifMap.end()) {
        const DataDifLists& lists = found->second;
        if (lists.size() > static_cast<std::size_t>(kCommonList)) {
            form.commonList = lists[static_cast<std::size_t>(kCommonList)];
        }
        if (lists.size() > static_cast<std::size_t>(kInsuredList)) {
            form.insuredList = lists[static_cast<std::size_t>(kInsuredList)];
        }
    }
    return form;
}

void FillFormLists(FormDefinition& form, std::span<const FieldDef> common, std::span<const FieldDef> insured)
{
    form.commonList = ListFromTable(common);
    form.insuredList = ListFromTable(insured);
}

}  // namespace tenvor
