// The built-in form catalogue: one row per supported form (its id, whether it is a single-record
// form, and the builder that fills its common list (list 0) and insured list (list 1)), and the
// lists themselves, built once from those rows and never changed afterwards.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/FormDefinition.h"

namespace tenvor {

// One row of the built-in catalogue.
struct BuiltInForm {
    std::string_view id;
    bool singleRecord = false;
    void (*build)(FormDefinition& form) = nullptr;  // fills form.commonList and form.insuredList
};

class DataTbl {
public:
    // The built-in forms in their fixed order, the order of styleNumList (defined below).
    static const BuiltInForm builtInForms[];

    DataTbl();

    static void SetDataDifinition(DataDifList& targetList, std::string sNodename, int iBytes);
    static std::vector<std::string> GetNodeNameList(DataDifList stDataDifList);

    // The built-in forms as value records, in the order of builtInForms.
    [[nodiscard]] std::vector<FormDefinition> Definitions() const;
    // One built-in form as a value record, or nothing when the id is not a built-in form.
    [[nodiscard]] std::optional<FormDefinition> Definition(std::string_view formId) const;

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
    {.id = "N2008005", .singleRecord = true, .build = &setDataDifListN2008005},
    {.id = "N2009005", .singleRecord = true, .build = &setDataDifListN2009005},
    {.id = "N2056001", .singleRecord = true, .build = &setDataDifListN2056001},
    {.id = "N2057001", .singleRecord = true, .build = &setDataDifListN2057001},
    {.id = "N2067001", .singleRecord = true, .build = &setDataDifListN2067001},
    {.id = "N2068001", .singleRecord = true, .build = &setDataDifListN2068001},
    {.id = "N2069001", .singleRecord = true, .build = &setDataDifListN2069001},
    {.id = "N2070001", .singleRecord = true, .build = &setDataDifListN2070001},
    // Forms with one record per "_被保険者" element.
    {.id = "N2018003", .singleRecord = false, .build = &setDataDifListN2018003},
    {.id = "N2043003", .singleRecord = false, .build = &setDataDifListN2043003},
    {.id = "N4001004", .singleRecord = false, .build = &setDataDifListN4001004},
    {.id = "N4002002", .singleRecord = false, .build = &setDataDifListN4002002},
    {.id = "N4003004", .singleRecord = false, .build = &setDataDifListN4003004},
    {.id = "N7100001", .singleRecord = false, .build = &setDataDifListN7100001},
    {.id = "N7100002", .singleRecord = false, .build = &setDataDifListN7100002},
    {.id = "N7110001", .singleRecord = false, .build = &setDataDifListN7110001},
    {.id = "N7110002", .singleRecord = false, .build = &setDataDifListN7110002},
    {.id = "N7120001", .singleRecord = false, .build = &setDataDifListN7120001},
    {.id = "N7120002", .singleRecord = false, .build = &setDataDifListN7120002},
    {.id = "N7120003", .singleRecord = false, .build = &setDataDifListN7120003},
    {.id = "N7130001", .singleRecord = false, .build = &setDataDifListN7130001},
    {.id = "N7140001", .singleRecord = false, .build = &setDataDifListN7140001},
    {.id = "N7150001", .singleRecord = false, .build = &setDataDifListN7150001},
    {.id = "N7160001", .singleRecord = false, .build = &setDataDifListN7160001},
    {.id = "N7170002", .singleRecord = false, .build = &setDataDifListN7170002},
    {.id = "N7170003", .singleRecord = false, .build = &setDataDifListN7170003},
    {.id = "N7180001", .singleRecord = false, .build = &setDataDifListN7180001},
    {.id = "N7190001", .singleRecord = false, .build = &setDataDifListN7190001},
    {.id = "N7200001", .singleRecord = false, .build = &setDataDifListN7200001},
    {.id = "N7210001", .singleRecord = false, .build = &setDataDifListN7210001},
    {.id = "N7220001", .singleRecord = false, .build = &setDataDifListN7220001},
    {.id = "N7230001", .singleRecord = false, .build = &setDataDifListN7230001},
    {.id = "N7240001", .singleRecord = false, .build = &setDataDifListN7240001},
};

}  // namespace tenvor
