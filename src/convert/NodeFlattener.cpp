#include "convert/NodeFlattener.h"

#include <vector>

#include "convert/CsvField.h"
#include "shared/CommonUtils.h"
#include "state/WindowState.h"

namespace tenvor {

std::string NodeFlattener::FieldValue(XmlNode field)
{
    const XmlNode first = field.FirstChild();
    if (!first) {
        return {};
    }
    if (first.IsCData() || field.HasOnlyCharacterData()) {
        return field.InnerText();
    }
    return field.InnerMarkup();
}

int NodeFlattener::NodeListToCString(XmlNode nodeList, int iDataType, std::string& csRes, StXmlInfo& stXmlInfo,
                                     WindowState* fileModeProgress) const
{
    auto fail = [&] {
        stXmlInfo.errorFlag = 1;
        csRes.clear();
        return 1;
    };
    const FormEntry* form = forms_.Find(stXmlInfo.styleNum);
    if (form == nullptr || (iDataType != kCommonList && iDataType != kInsuredList)) {
        return fail();
    }
    const FieldIndex& fields = *form->lists[static_cast<std::size_t>(iDataType)];
    const int definitionCount = fields.Size();
    std::vector<std::string> values(static_cast<std::size_t>(definitionCount));
    std::vector<bool> matched(static_cast<std::size_t>(definitionCount), false);
    int matchCount = 0;
    const bool advancesBar = fileModeProgress != nullptr && (form->singleRecord || iDataType == kCommonList);

    std::string scratch;
    for (XmlNode node = nodeList.FirstChild(); node; node = node.NextSibling()) {
        const std::string_view name = node.ElementName(scratch);
        if (iDataType == kCommonList && name == kInsuredElementName) {
            continue;  // person records are not common data
        }
        if (definitionCount == 0) {
            continue;
        }
        const int position = fields.Find(name);
        if (position < 0) {
            return fail();
        }
        // Every definition matches exactly one element: a repeated field fails the piece, so that
        // a missing field can never hide behind it.
        const auto slot = static_cast<std::size_t>(position);
        if (matched[slot]) {
            return fail();
        }
        matched[slot] = true;
        // Most values need no quoting: they are moved into place, not copied.
        std::string value = FieldValue(node);
        if (NeedsQuoting(value)) {
            value = QuoteCsvField(value);
        }
        values[slot] = std::move(value);
        ++matchCount;
        if (advancesBar) {
            fileModeProgress->StepPrgBar();
        }
    }
    if (matchCount != definitionCount) {
        return fail();
    }
    csRes = CommonUtils::join(values, ",");
    csRes += '\n';
    return 0;
}

}  // namespace tenvor
