// The static shape in which the per-form tables are written down, the joining of two tables into
// one (for a form whose list is another form's followed by more fields), and the one routine that
// turns two such tables into a form's pair of definition lists.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "forms/FormDefinition.h"

namespace tenvor {

struct FieldDef {
    const char* name;
    int bytes;
};

// The fields of first, then those of second, as one table.
template <std::size_t FirstSize, std::size_t SecondSize>
constexpr std::array<FieldDef, FirstSize + SecondSize> Joined(const FieldDef (&first)[FirstSize],
                                                              const FieldDef (&second)[SecondSize])
{
    std::array<FieldDef, FirstSize + SecondSize> joined{};
    for (std::size_t i = 0; i < FirstSize; ++i) {
        joined[i] = first[i];
    }
    for (std::size_t i = 0; i < SecondSize; ++i) {
        joined[FirstSize + i] = second[i];
    }
    return joined;
}

// Sets the form's common list and insured list, each filled definition by definition.
void FillFormLists(FormDefinition& form, std::span<const FieldDef> common, std::span<const FieldDef> insured);

}  // namespace tenvor
