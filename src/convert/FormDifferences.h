// The differences between a form's current definition and a draft of it, as the lines of their
// form files (forms/FormFile.h) that one has and the other has not.
//
// Each list (common, insured) is compared on its own, by element name: the elements of one
// longest common subsequence of the two lists of names are unchanged, even when the additions or
// removals before them shift their positions; every other element of the current list is removed
// and every other element of the draft's is added. A renamed element is therefore a removal and
// an addition, and so is a moved one. Lengths play no part (a draft keeps the length of every
// name the current definition has).
//
// Order: the form line first when the form is new (there is no current definition: every line of
// the draft is added); then the common list, then the insured list; within a list the removals in
// the current definition's order, then the additions in the draft's order.
#pragma once

#include <string>
#include <vector>

#include "forms/FormDefinition.h"

namespace tenvor {

enum class DifferenceSign {
    Removed,  // in the current definition, not in the draft
    Added,    // in the draft, not in the current definition
};

struct FormDifference {
    DifferenceSign sign = DifferenceSign::Added;
    bool formLine = false;   // the form line itself (only for a new form)
    int list = kCommonList;  // kCommonList or kInsuredList (not for the form line)
    int position = 0;        // from 1: in the current definition's list for a removal, in the draft's for an addition
    std::string name;        // the element name (empty for the form line)
    std::string line;        // the form file's line, as FormFileText writes it, without its line end

    bool operator==(const FormDifference&) const = default;
};

// The differences from current (nullptr for a form the runs do not know) to draft, in the order
// above; empty when the lists have the same names in the same order.
std::vector<FormDifference> CompareForms(const FormDefinition* current, const FormDefinition& draft);

// "-<TAB>" or "+<TAB>" and the form file's line.
std::string DifferenceLine(const FormDifference& difference);

}  // namespace tenvor
