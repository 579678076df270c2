// Turns the children of one element into one CSV line, checked against one definition list of
// the form: every child must be a defined field, and every definition must match exactly one
// child.
#pragma once

#include <string>

#include "convert/XmlDocument.h"
#include "forms/FormLookup.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class WindowState;

class NodeFlattener {
public:
    explicit NodeFlattener(const FormLookup& forms) : forms_(forms) {}

    // nodeList is the element whose children are flattened; iDataType 0 reads them against the
    // common list, 1 against the insured list. fileModeProgress is the window while file mode
    // is on (its bar advances per matched field), nullptr otherwise.
    // Returns 0 with the line (ended by "\n") in csRes, or 1 with csRes empty and errorFlag 1.
    int NodeListToCString(XmlNode nodeList, int iDataType, std::string& csRes, StXmlInfo& stXmlInfo,
                          WindowState* fileModeProgress) const;

    // The value of one field element: empty without content, its character data when it holds
    // only text (or starts with a CDATA section), its inner markup when it holds elements.
    static std::string FieldValue(XmlNode field);

private:
    const FormLookup& forms_;
};

// The element name of a person record.
inline constexpr std::string_view kInsuredElementName = "_被保険者";

}  // namespace tenvor
