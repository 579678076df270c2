// "tenvor-cli forms [ID]": the forms the command line knows (the engine's catalogue: the built-in
// ones, replaced and added to by the form files of the forms folder), or one form's columns.
#pragma once

#include <string>

#include "cli/ExitStatus.h"

namespace tenvor::cli {

// Prints one line per form, in the order the runs know them: the id of a built-in form; the id,
// a tab and the file's path for a form read from a form file.
ExitStatus ListForms();

// Prints the form as a form file holds it: "form", the id and "single" or "records", separated by
// tabs; then one line per definition: "common" or "insured", position from 1, element name and
// bytes, separated by tabs. A usage error when the id is not a form the runs know.
ExitStatus DescribeForm(const std::string& formId);

}  // namespace tenvor::cli
