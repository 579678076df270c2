// What a form is to the conversion: its id, whether it is a single-record form, and its two lists
// of field definitions. Plain values, so that forms can come from the built-in catalogue or from
// anywhere else and be treated alike.
#pragma once

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

struct FormDefinition {
    std::string id;
    // The document element is the one record: there is no common part and no "_被保険者" element.
    bool singleRecord = false;
    DataDifList commonList;   // list 0: the fields under the document element
    DataDifList insuredList;  // list 1: the fields of each "_被保険者" element (of the document element
                              // in a single-record form)

    bool operator==(const FormDefinition&) const = default;
};

}  // namespace tenvor
