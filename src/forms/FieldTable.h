// The static shape in which the per-form tables are written down, and the one routine that turns
// two such tables into a form's pair of definition lists.
#pragma once

#include <span>

#include "forms/FormDefinition.h"

namespace tenvor {

struct FieldDef {
    const char* name;
    int bytes;
};

// Sets the form's common list and insured list, each filled definition by definition.
void FillFormLists(FormDefinition& form, std::span<const FieldDef> common, std::span<const FieldDef> insured);

}  // namespace tenvor
