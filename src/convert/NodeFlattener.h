// Turns the children of one element into the values of one CSV line, checked against one
// definition list of the form: every child must be a defined field, and every definition must
// match exactly one child.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/XmlDocument.h"
#include "diag/FailureReasons.h"
#include "forms/FormCatalogue.h"
#include "shared/Expected.h"

namespace tenvor {

class ProgressTracker;

// What did not match a definition list: the problem and the element's (or definition's) name.
struct FieldMismatch {
    FieldProblem problem = FieldProblem::UndefinedElement;
    std::string name;
};

// The flattening of one element's children made incremental: the children are offered one at a
// time in document order, and the values of those that are fields are handed over as they come.
// The result is exactly NodeListToCString's.
class FieldMatcher {
public:
    // What an offered child is: nothing to the list (a person record among the common part, or
    // any child of a list without definitions), the field of a slot (its value comes next through
    // Take), or the first thing that does not match the list.
    enum class Step { Skip, Field, Mismatch };

    // iDataType is kCommonList or kInsuredList.
    FieldMatcher(const FormEntry& form, int iDataType);

    Step Offer(XmlNode child);
    // The same for an element known only by its name as written (from a parser's events).
    Step OfferElement(std::string_view name);
    // The value of the field just offered (a field whose value is not needed is left empty).
    void Take(std::string value);
    // After the last child: the first definition no child matched, if any.
    void Finish();

    bool Failed() const { return failed_; }
    const FieldMismatch& Mismatch() const { return mismatch_; }
    // Fields matched so far.
    int Matched() const { return matchCount_; }
    std::vector<std::string> TakeValues() { return std::move(values_); }

private:
    Step Fail(FieldMismatch mismatch);
    // node is the offered node, or empty for an element offered by name.
    Step OfferNamed(std::string_view name, XmlNode node);

    const FieldIndex& fields_;
    const bool common_;
    const int definitionCount_;
    std::vector<std::string> values_;
    std::vector<bool> matched_;
    int matchCount_ = 0;
    std::size_t slot_ = 0;
    bool failed_ = false;
    FieldMismatch mismatch_;
    std::string scratch_;
};

class NodeFlattener {
public:
    // nodeList is the element whose children are flattened; iDataType 0 reads them against the
    // form's common list, 1 against its insured list. fileModeProgress is the bar while file
    // mode is on (it advances per matched field of the common part or of a single-record form),
    // nullptr otherwise. Returns the values in the list's order, or the first thing that does
    // not match the list.
    Expected<std::vector<std::string>, FieldMismatch> NodeListToCString(XmlNode nodeList, int iDataType,
                                                                        const FormEntry& form,
                                                                        ProgressTracker* fileModeProgress) const;

    // The value of one field element: empty without content, its character data when it holds
    // only text (or starts with a CDATA section), its inner markup when it holds elements.
    static std::string FieldValue(XmlNode field);
    // What a node among the fields that is no element is: a comment, a processing instruction,
    // or text (character data, an entity reference).
    static FieldProblem NonElementProblem(XmlNode node);
};

// The element name of a person record.
inline constexpr std::string_view kInsuredElementName = "_被保険者";

}  // namespace tenvor
