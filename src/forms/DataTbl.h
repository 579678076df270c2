// The form definition catalogue: for each of the 33 supported forms, the common list (list 0) and
// the insured list (list 1) of field definitions. Built once, never changed afterwards.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tenvor {

// One field definition: the element name as the notification spells it (UTF-8) and the field's
// length in bytes in the form's layout. The conversion never reads the length.
struct StDataDif {
    std::string sNodename;
    int iBytes = 0;

    bool operator==(const StDataDif&) const = default;
};

using DataDifList = std::vector<StDataDif>;
using DataDifLists = std::vector<DataDifList>;

constexpr int kCommonList = 0;
constexpr int kInsuredList = 1;

class DataTbl {
public:
    DataTbl();

    static void SetDataDifinition(DataDifList& targetList, std::string sNodename, int iBytes);
    static std::vector<std::string> GetNodeNameList(DataDifList stDataDifList);

    // Form id to its two definition lists, ordered by byte comparison of the ids.
    std::map<std::string, DataDifLists> dataDifMap;

private:
    // Builders, one per form; each appends the form's two lists to its own member.
    void setDataDifListN2008005();
    void setDataDifListN2009005();
    void setDataDifListN2018003();
    void setDataDifListN2043003();
    void setDataDifListN2056001();
    void setDataDifListN2057001();
    void setDataDifListN2067001();
    void setDataDifListN2068001();
    void setDataDifListN2069001();
    void setDataDifListN2070001();
    void setDataDifListN4001004();
    void setDataDifListN4002002();
    void setDataDifListN4003004();
    void setDataDifListN7100001();
    void setDataDifListN7100002();
    void setDataDifListN7110001();
    void setDataDifListN7110002();
    void setDataDifListN7120001();
    void setDataDifListN7120002();
    void setDataDifListN7120003();
    void setDataDifListN7130001();
    void setDataDifListN7140001();
    void setDataDifListN7150001();
    void setDataDifListN7160001();
    void setDataDifListN7170002();
    void setDataDifListN7170003();
    void setDataDifListN7180001();
    void setDataDifListN7190001();
    void setDataDifListN7200001();
    void setDataDifListN7210001();
    void setDataDifListN7220001();
    void setDataDifListN7230001();
    void setDataDifListN7240001();

    // Per-form working areas of the builders, declared in build order.
    DataDifLists dataDifListN7110001;
    DataDifLists dataDifListN7110002;
    DataDifLists dataDifListN7100001;
    DataDifLists dataDifListN7100002;
    DataDifLists dataDifListN7180001;
    DataDifLists dataDifListN7120001;
    DataDifLists dataDifListN7120002;
    DataDifLists dataDifListN7120003;
    DataDifLists dataDifListN7190001;
    DataDifLists dataDifListN7130001;
    DataDifLists dataDifListN7240001;
    DataDifLists dataDifListN7200001;
    DataDifLists dataDifListN7140001;
    DataDifLists dataDifListN7160001;
    DataDifLists dataDifListN7210001;
    DataDifLists dataDifListN7230001;
    DataDifLists dataDifListN7150001;
    DataDifLists dataDifListN7220001;
    DataDifLists dataDifListN7170002;
    DataDifLists dataDifListN7170003;
    DataDifLists dataDifListN4001004;
    DataDifLists dataDifListN4002002;
    DataDifLists dataDifListN2018003;
    DataDifLists dataDifListN2043003;
    DataDifLists dataDifListN4003004;
    DataDifLists dataDifListN2008005;
    DataDifLists dataDifListN2009005;
    DataDifLists dataDifListN2067001;
    DataDifLists dataDifListN2068001;
    DataDifLists dataDifListN2069001;
    DataDifLists dataDifListN2070001;
    DataDifLists dataDifListN2056001;
    DataDifLists dataDifListN2057001;
};

}  // namespace tenvor
