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

FieldMatcher::FieldMatcher(const FormEntry& form, int iDataType)
    : fields_(*form.lists[static_cast<std::size_t>(iDataType)]),
      common_(iDataType == kCommonList),
      definitionCount_(fields_.Size()),
      values_(static_cast<std::size_t>(definitionCount_)),
      matched_(static_cast<std::size_t>(definitionCount_), false)
{
}

FieldMatcher::Step FieldMatcher::Fail(FieldMismatch mismatch)
{
    failed_ = true;
    mismatch_ = std::move(mismatch);
    return Step::Mismatch;
}

FieldMatcher::Step FieldMatcher::Offer(XmlNode node)
{
    return OfferNamed(node.ElementName(scratch_), node);
}

FieldMatcher::Step FieldMatcher::OfferElement(std::string_view name)
{
    return OfferNamed(name, XmlNode());
}

FieldMatcher::Step FieldMatcher::OfferNamed(std::string_view name, XmlNode node)
{
    if (common_ && name == kInsuredElementName) {
        return Step::Skip;  // person records are not common data
    }
    if (definitionCount_ == 0) {
        return Step::Skip;
    }
    const int position = fields_.Find(name, matchCount_ == 0 ? 0 : slot_ + 1);
    if (position < 0) {
        if (node && !node.IsElement()) {
            return Fail(FieldMismatch{NodeFlattener::NonElementProblem(node), {}});
        }
        return Fail(FieldMismatch{FieldProblem::UndefinedElement, std::string(name)});
    }
    // Every definition matches exactly one element: a repeated field fails the piece, so that
    // a missing field can never hide behind it.
    const auto slot = static_cast<std::size_t>(position);
    if (matched_[slot]) {
        return Fail(FieldMismatch{FieldProblem::RepeatedElement, std::string(name)});
    }
    matched_[slot] = true;
    slot_ = slot;
    ++matchCount_;
    return Step::Field;
}

void FieldMatcher::Take(std::string value)
{
    values_[slot_] = std::move(value);
}

void FieldMatcher::Finish()
{
    if (failed_ || matchCount_ == definitionCount_) {
        return;
    }
    for (std::size_t slot = 0; slot < matched_.size(); ++slot) {
        if (!matched_[slot]) {
            Fail(FieldMismatch{FieldProblem::MissingElement, fields_.Names()[slot]});
            return;
        }
    }
}

Expected<std::vector<std::string>, FieldMismatch> NodeFlattener::NodeListToCString(
    XmlNode nodeList, int iDataType, const FormEntry& form, ProgressTracker* fileModeProgress) const
{
    if (iDataType != kCommonList && iDataType != kInsuredList) {
        return Unexpected{FieldMismatch{}};
    }
    FieldMatcher matcher(form, iDataType);
    const bool advancesBar = fileModeProgress != nullptr && (form.singleRecord || iDataType == kCommonList);
    for (XmlNode node = nodeList.FirstChild(); node; node = node.NextSibling()) {
        switch (matcher.Offer(node)) {
            case FieldMatcher::Step::Skip:
                continue;
            case FieldMatcher::Step::Mismatch:
                return Unexpected{matcher.Mismatch()};
            case FieldMatcher::Step::Field:
                matcher.Take(FieldValue(node));
                if (advancesBar) {
                    fileModeProgress->Advance();
                }
                break;
        }
    }
    matcher.Finish();
    if (matcher.Failed()) {
        return Unexpected{matcher.Mismatch()};
    }
    return matcher.TakeValues();
}

}  // namespace tenvor
