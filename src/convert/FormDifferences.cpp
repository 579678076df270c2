#include "convert/FormDifferences.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <unordered_map>

#include "forms/FormFile.h"

namespace tenvor {

namespace {

// The lines of a form's file, without their line ends: the form line, the common definitions,
// then the insured definitions.
std::vector<std::string> FormFileLines(const FormDefinition& form)
{
    const std::string text = FormFileText(form);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

const DataDifList& ListOf(const FormDefinition& form, int list)
{
    return list == kCommonList ? form.commonList : form.insuredList;
}

// The line of a definition among a form's file lines.
const std::string& DefinitionLine(const std::vector<std::string>& lines, const FormDefinition& form, int list,
                                  std::size_t index)
{
    const std::size_t before = list == kCommonList ? 0 : form.commonList.size();
    return lines.at(1 + before + index);
}

// For each element of the draft's list, whether it is kept: one longest common subsequence of
// the two lists of names. Names are distinct within a list, so it is the longest increasing run
// of the current positions of the draft's names (patience sorting, n log n).
struct Kept {
    std::vector<bool> current;
    std::vector<bool> draft;
};

Kept LongestCommonNames(const DataDifList& current, const DataDifList& draft)
{
    std::unordered_map<std::string_view, std::size_t> currentPositions;
    for (std::size_t i = 0; i < current.size(); ++i) {
        currentPositions.try_emplace(current[i].sNodename, i);
    }
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // For each draft element its current position (kNone when the name is new).
    std::vector<std::size_t> positions(draft.size(), kNone);
    for (std::size_t j = 0; j < draft.size(); ++j) {
        if (const auto found = currentPositions.find(draft[j].sNodename); found != currentPositions.end()) {
            positions[j] = found->second;
        }
    }
    // tails[k]: the draft index ending the best increasing run of length k + 1 found so far.
    std::vector<std::size_t> tails;
    std::vector<std::size_t> previous(draft.size(), kNone);
    for (std::size_t j = 0; j < draft.size(); ++j) {
        if (positions[j] == kNone) {
            continue;
        }
        const auto place =
            std::lower_bound(tails.begin(), tails.end(), positions[j],
                             [&](std::size_t tail, std::size_t value) { return positions[tail] < value; });
        if (place != tails.begin()) {
            previous[j] = *(place - 1);
        }
        if (place == tails.end()) {
            tails.push_back(j);
        } else {
            *place = j;
        }
    }
    Kept kept{std::vector<bool>(current.size(), false), std::vector<bool>(draft.size(), false)};
    for (std::size_t j = tails.empty() ? kNone : tails.back(); j != kNone; j = previous[j]) {
        kept.draft[j] = true;
        kept.current[positions[j]] = true;
    }
    return kept;
}

}  // namespace

std::vector<FormDifference> CompareForms(const FormDefinition* current, const FormDefinition& draft)
{
    const std::vector<std::string> draftLines = FormFileLines(draft);
    std::vector<FormDifference> differences;
    if (current == nullptr) {
        differences.push_back(FormDifference{DifferenceSign::Added, true, kCommonList, 0, {}, draftLines.front()});
    }
    const FormDefinition none{draft.id, draft.singleRecord, {}, {}};
    const FormDefinition& before = current != nullptr ? *current : none;
    const std::vector<std::string> currentLines = FormFileLines(before);
    for (const int list : {kCommonList, kInsuredList}) {
        const DataDifList& was = ListOf(before, list);
        const DataDifList& is = ListOf(draft, list);
        const Kept kept = LongestCommonNames(was, is);
        for (std::size_t i = 0; i < was.size(); ++i) {
            if (!kept.current[i]) {
                differences.push_back(FormDifference{DifferenceSign::Removed, false, list, static_cast<int>(i) + 1,
                                                     was[i].sNodename, DefinitionLine(currentLines, before, list, i)});
            }
        }
        for (std::size_t j = 0; j < is.size(); ++j) {
            if (!kept.draft[j]) {
                differences.push_back(FormDifference{DifferenceSign::Added, false, list, static_cast<int>(j) + 1,
                                                     is[j].sNodename, DefinitionLine(draftLines, draft, list, j)});
            }
        }
    }
    return differences;
}

std::string DifferenceLine(const FormDifference& difference)
{
    return (difference.sign == DifferenceSign::Removed ? "-\t" : "+\t") + difference.line;
}

}  // namespace tenvor
