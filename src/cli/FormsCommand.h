// "tenvor-cli forms [ID]": the supported form ids, or one form's columns.
#pragma once

#include <string>

#include "cli/ExitStatus.h"

namespace tenvor::cli {

// Prints the 33 ids, one per line.
ExitStatus ListForms();

// Prints one line per definition of the form: "common" or "insured", position from 1, element
// name and bytes, separated by tabs. A usage error when the id is not a supported form.
ExitStatus DescribeForm(const std::string& formId);

}  // namespace tenvor::cli
