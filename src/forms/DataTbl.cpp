#include "forms/DataTbl.h"

#include <iterator>

#include "forms/FieldTable.h"
#include "forms/FormId.h"
#include "forms/StyleNumList.h"

namespace tenvor {

namespace {

// Every row needs an id of the form-id shape, and no id may appear twice; otherwise a form of
// the catalogue could never be found. (A row without its builder does not compile at all.)
constexpr bool RowsAreComplete()
{
    for (std::size_t i = 0; i < std::size(DataTbl::builtInForms); ++i) {
        const std::string_view id = DataTbl::builtInForms[i].id;
        if (!HasFormIdShape(id)) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (DataTbl::builtInForms[j].id == id) {
                return false;
            }
        }
    }
    return true;
}

static_assert(RowsAreComplete(), "a row of DataTbl::builtInForms has a malformed or repeated id");

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

std::vector<FormDefinition> BuildBuiltInForms()
{
    std::vector<FormDefinition> forms;
    forms.reserve(std::size(DataTbl::builtInForms));
    for (const BuiltInForm& row : DataTbl::builtInForms) {
        FormDefinition form;
        form.id = std::string(row.id);
        form.singleRecord = row.singleRecord;
        row.build(form);
        forms.push_back(std::move(form));
    }
    return forms;
}

DataTbl::DataTbl()
{
    for (FormDefinition& form : BuildBuiltInForms()) {
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

void FillFormLists(FormDefinition& form, std::span<const FieldDef> common, std::span<const FieldDef> insured)
{
    form.commonList = ListFromTable(common);
    form.insuredList = ListFromTable(insured);
}

}  // namespace tenvor
