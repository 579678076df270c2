// "tenvor-cli forms [ID]": the supported form ids, or one form's columns.
#pragma once

#include <string>

namespace tenvor::cli {

// Prints the 33 ids, one per line. Returns 0.
int ListForms();

// Prints one line per definition of the form: "common" or "insured", position from 1, element
// name and bytes, separated by tabs. Returns 0, or 2 when the id is not a supported form.
int DescribeForm(const std::string& formId);

}  // namespace tenvor::cli
