// The built-in forms: one row per supported form (its id, whether it is a single-record form, and
// the builder that fills its common list (list 0) and insured list (list 1)). FormCatalogue makes
// the catalogue the runs read from these rows and the form files; DataTbl's map is a view of the
// same rows, built once and never changed afterwards.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "forms/FormDefinition.h"

namespace tenvor {

enum class Records {
    Single,      // the document element is the one record
    PerInsured,  // one record per "_被保険者" element
};

// One row of the built-in catalogue. A row cannot be written without its builder: leaving it out,
// or giving nullptr, does not compile.
struct BuiltInForm {
    using Builder = void (*)(FormDefinition& form);  // fills form.commonList and form.insuredList

    constexpr BuiltInForm(std::string_view formId, Records records, Builder builder)
        : id(formId), singleRecord(records == Records::Single), build(builder)
    {
    }
    BuiltInForm(std::string_view formId, Records records, std::nullptr_t) = delete;

    std::string_view id;
    bool singleRecord;
    Builder build;
};

class DataTbl {
public:
    // The built-in forms in their fixed order, the order of styleNumList (defined below).
    static const BuiltInForm builtInForms[];

    DataTbl();

    static void SetDataDifinition(DataDifList& targetList, std::string sNodename, int iBytes);
    static std::vector<std::string> GetNodeNameList(DataDifList stDataDifList);

    // Form id to its two definition lists, ordered by byte comparison of the ids.
    std::map<std::string, DataDifLists> dataDifMap;

private:
    // Builders, one per form; each fills the two lists of the form it is given.
    static void setDataDifListN2008005(FormDefinition& form);
    static void setDataDifListN2009005(FormDefinition& form);
    static void setDataDifListN2056001(FormDefinition& form);
    static void setDataDifListN2057001(FormDefinition& form);
    static void setDataDifListN2067001(FormDefinition& form);
    static void setDataDifListN2068001(FormDefinition& form);
    static void setDataDifListN2069001(FormDefinition& form);
    static void setDataDifListN2070001(FormDefinition& form);
    static void setDataDifListN2018003(FormDefinition& form);
    static void setDataDifListN2043003(FormDefinition& form);
    static void setDataDifListN4001004(FormDefinition& form);
    static void setDataDifListN4002002(FormDefinition& form);
    static void setDataDifListN4003004(FormDefinition& form);
    static void setDataDifListN7100001(FormDefinition& form);
    static void setDataDifListN7100002(FormDefinition& form);
    static void setDataDifListN7110001(FormDefinition& form);
    static void setDataDifListN7110002(FormDefinition& form);
    static void setDataDifListN7120001(FormDefinition& form);
    static void setDataDifListN7120002(FormDefinition& form);
    static void setDataDifListN7120003(FormDefinition& form);
    static void setDataDifListN7130001(FormDefinition& form);
    static void setDataDifListN7140001(FormDefinition& form);
    static void setDataDifListN7150001(FormDefinition& form);
    static void setDataDifListN7160001(FormDefinition& form);
    static void setDataDifListN7170002(FormDefinition& form);
    static void setDataDifListN7170003(FormDefinition& form);
    static void setDataDifListN7180001(FormDefinition& form);
    static void setDataDifListN7190001(FormDefinition& form);
    static void setDataDifListN7200001(FormDefinition& form);
    static void setDataDifListN7210001(FormDefinition& form);
    static void setDataDifListN7220001(FormDefinition& form);
    static void setDataDifListN7230001(FormDefinition& form);
    static void setDataDifListN7240001(FormDefinition& form);
};

inline constexpr BuiltInForm DataTbl::builtInForms[] = {
    // Single-record forms.
    {"N2008005", Records::Single, &setDataDifListN2008005},
    {"N2009005", Records::Single, &setDataDifListN2009005},
    {"N2056001", Records::Single, &setDataDifListN2056001},
    {"N2057001", Records::Single, &setDataDifListN2057001},
    {"N2067001", Records::Single, &setDataDifListN2067001},
    {"N2068001", Records::Single, &setDataDifListN2068001},
    {"N2069001", Records::Single, &setDataDifListN2069001},
    {"N2070001", Records::Single, &setDataDifListN2070001},
    // Forms with one record per "_被保険者" element.
    {"N2018003", Records::PerInsured, &setDataDifListN2018003},
    {"N2043003", Records::PerInsured, &setDataDifListN2043003},
    {"N4001004", Records::PerInsured, &setDataDifListN4001004},
    {"N4002002", Records::PerInsured, &setDataDifListN4002002},
    {"N4003004", Records::PerInsured, &setDataDifListN4003004},
    {"N7100001", Records::PerInsured, &setDataDifListN7100001},
    {"N7100002", Records::PerInsured, &setDataDifListN7100002},
    {"N7110001", Records::PerInsured, &setDataDifListN7110001},
    {"N7110002", Records::PerInsured, &setDataDifListN7110002},
    {"N7120001", Records::PerInsured, &setDataDifListN7120001},
    {"N7120002", Records::PerInsured, &setDataDifListN7120002},
    {"N7120003", Records::PerInsured, &setDataDifListN7120003},
    {"N7130001", Records::PerInsured, &setDataDifListN7130001},
    {"N7140001", Records::PerInsured, &setDataDifListN7140001},
    {"N7150001", Records::PerInsured, &setDataDifListN7150001},
    {"N7160001", Records::PerInsured, &setDataDifListN7160001},
    {"N7170002", Records::PerInsured, &setDataDifListN7170002},
    {"N7170003", Records::PerInsured, &setDataDifListN7170003},
    {"N7180001", Records::PerInsured, &setDataDifListN7180001},
    {"N7190001", Records::PerInsured, &setDataDifListN7190001},
    {"N7200001", Records::PerInsured, &setDataDifListN7200001},
    {"N7210001", Records::PerInsured, &setDataDifListN7210001},
    {"N7220001", Records::PerInsured, &setDataDifListN7220001},
    {"N7230001", Records::PerInsured, &setDataDifListN7230001},
    {"N7240001", Records::PerInsured, &setDataDifListN7240001},
};

// The built-in forms as value records, in the order of DataTbl::builtInForms: each row's builder
// run once.
std::vector<FormDefinition> BuildBuiltInForms();

}  // namespace tenvor
