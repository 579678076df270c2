#include "convert/NodeFlattener.h"

#include "state/ProgressTracker.h"

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

FieldProblem NodeFlattener::NonElementProblem(XmlNode node)
{
    if (node.IsComment()) {
        return FieldProblem::Comment;
    }
    if (node.IsProcessingInstruction()) {
        return FieldProblem::ProcessingInstruction;
    }
    return FieldProblem::Text;
}

Expected<std::vector<std::string>, FieldMismatch> NodeFlattener::NodeListToCString(
    XmlNode nodeList, int iDataType, const FormEntry& form, ProgressTracker* fileModeProgress) const
{
    if (iDataType != kCommonList && iDataType != kInsuredList) {
        return Unexpected{FieldMismatch{}};
    }
    const FieldIndex& fields = *form.lists[static_cast<std::size_t>(iDataType)];
    const int definitionCount = fields.Size();
    std::vector<std::string> values(static_cast<std::size_t>(definitionCount));
    std::vector<bool> matched(static_cast<std::size_t>(definitionCount), false);
    int matchCount = 0;
    const bool advancesBar = fileModeProgress != nullptr && (form.singleRecord || iDataType == kCommonList);

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
            if (!node.IsElement()) {
                return Unexpected{FieldMismatch{NonElementProblem(node), {}}};
            }
            return Unexpected{FieldMismatch{FieldProblem::UndefinedElement, std::string(name)}};
        }
        // Every definition matches exactly one element: a repeated field fails the piece, so that
        // a missing field can never hide behind it.
        const auto slot = static_cast<std::size_t>(position);
        if (matched[slot]) {
            return Unexpected{FieldMismatch{FieldProblem::RepeatedElement, std::string(name)}};
        }
        matched[slot] = true;
        values[slot] = FieldValue(node);
        ++matchCount;
        if (advancesBar) {
            fileModeProgress->Advance();
        }
    }
    if (matchCount != definitionCount) {
        for (std::size_t slot = 0; slot < matched.size(); ++slot) {
            if (!matched[slot]) {
                return Unexpected{FieldMismatch{FieldProblem::MissingElement, fields.Names()[slot]}};
            }
        }
    }
    return values;
}

}  // namespace tenvor
