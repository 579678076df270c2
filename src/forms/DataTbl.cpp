#include "forms/DataTbl.h"

#include "forms/FieldTable.h"

namespace tenvor {

DataTbl::DataTbl()
{
    setDataDifListN7110001();
    setDataDifListN7110002();
    setDataDifListN7100001();
    setDataDifListN7100002();
    setDataDifListN7180001();
    setDataDifListN7120001();
    setDataDifListN7120002();
    setDataDifListN7120003();
    setDataDifListN7190001();
    setDataDifListN7130001();
    setDataDifListN7240001();
    setDataDifListN7200001();
    setDataDifListN7140001();
    setDataDifListN7160001();
    setDataDifListN7210001();
    setDataDifListN7230001();
    setDataDifListN7150001();
    setDataDifListN7220001();
    setDataDifListN7170002();
    setDataDifListN7170003();
    setDataDifListN4001004();
    setDataDifListN4002002();
    setDataDifListN2018003();
    setDataDifListN2043003();
    setDataDifListN4003004();
    setDataDifListN2008005();
    setDataDifListN2009005();
    setDataDifListN2067001();
    setDataDifListN2068001();
    setDataDifListN2069001();
    setDataDifListN2070001();
    setDataDifListN2056001();
    setDataDifListN2057001();

    dataDifMap["N2008005"] = dataDifListN2008005;
    dataDifMap["N2009005"] = dataDifListN2009005;
    dataDifMap["N2018003"] = dataDifListN2018003;
    dataDifMap["N2043003"] = dataDifListN2043003;
    dataDifMap["N2056001"] = dataDifListN2056001;
    dataDifMap["N2057001"] = dataDifListN2057001;
    dataDifMap["N2067001"] = dataDifListN2067001;
    dataDifMap["N2068001"] = dataDifListN2068001;
    dataDifMap["N2069001"] = dataDifListN2069001;
    dataDifMap["N2070001"] = dataDifListN2070001;
    dataDifMap["N4001004"] = dataDifListN4001004;
    dataDifMap["N4002002"] = dataDifListN4002002;
    dataDifMap["N4003004"] = dataDifListN4003004;
    dataDifMap["N7100001"] = dataDifListN7100001;
    dataDifMap["N7100002"] = dataDifListN7100002;
    dataDifMap["N7110001"] = dataDifListN7110001;
    dataDifMap["N7110002"] = dataDifListN7110002;
    dataDifMap["N7120001"] = dataDifListN7120001;
    dataDifMap["N7120002"] = dataDifListN7120002;
    dataDifMap["N7120003"] = dataDifListN7120003;
    dataDifMap["N7130001"] = dataDifListN7130001;
    dataDifMap["N7140001"] = dataDifListN7140001;
    dataDifMap["N7150001"] = dataDifListN7150001;
    dataDifMap["N7160001"] = dataDifListN7160001;
    dataDifMap["N7170002"] = dataDifListN7170002;
    dataDifMap["N7170003"] = dataDifListN7170003;
    dataDifMap["N7180001"] = dataDifListN7180001;
    dataDifMap["N7190001"] = dataDifListN7190001;
    dataDifMap["N7200001"] = dataDifListN7200001;
    dataDifMap["N7210001"] = dataDifListN7210001;
    dataDifMap["N7220001"] = dataDifListN7220001;
    dataDifMap["N7230001"] = dataDifListN7230001;
    dataDifMap["N7240001"] = dataDifListN7240001;
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

void AppendFormLists(DataDifLists& target, std::span<const FieldDef> common, std::span<const FieldDef> insured)
{
    for (const auto table : {common, insured}) {
        DataDifList list;
        list.reserve(table.size());
        for (const FieldDef& field : table) {
            DataTbl::SetDataDifinition(list, field.name, field.bytes);
        }
        target.push_back(std::move(list));
    }
}

}  // namespace tenvor
