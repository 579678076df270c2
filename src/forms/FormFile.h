// A form written down as text: what "tenvor-cli forms ID" prints, and what a user keeps in the
// forms folder to add a form or to replace a built-in one.
//
//   form<TAB>N7130001<TAB>records          the first line: "single" or "records"
//   common<TAB>1<TAB>element name<TAB>10   one line per definition: list, position from 1,
//   insured<TAB>1<TAB>element name<TAB>8   element name (UTF-8), length in bytes
//
// "single": the document element is the one record, and only insured definitions are allowed;
// "records": common fields at the document element, one record per "_被保険者" element below it.
// Blank lines and lines starting with "#" are ignored; a UTF-8 byte-order mark and CR LF are
// accepted. The lines of a list may come in any order: the positions give the order.
#pragma once

#include <string>
#include <string_view>

#include "forms/FormDefinition.h"
#include "forms/FormId.h"
#include "shared/Expected.h"

namespace tenvor {

enum class FormFileFault {
    Unreadable,        // the file (or the forms folder) cannot be read
    TooLarge,          // the file is longer than the limit
    FileName,          // the name is not the id ("N" and seven digits) followed by ".tsv"
    DuplicateFile,     // another file of the folder has the same id (a name differing in case)
    NotUtf8,           // bytes that are not UTF-8
    FormLine,          // the first line is not "form", the id, and "single" or "records"
    IdMismatch,        // the first line's id is not the file name's
    LineShape,         // a definition line that is not list, position, element name, bytes
    CommonInSingle,    // a common definition in a single-record form
    PositionRepeated,  // a position given twice in one list
    PositionMissing,   // a list's positions leave a gap
    NameRepeated,      // an element name given twice in one list
    NoInsured,         // no insured definition at all
};

struct FormFileProblem {
    FormFileFault fault = FormFileFault::Unreadable;
    int line = 0;      // from 1; 0 when the problem belongs to the file as a whole
    std::string text;  // what is wrong, in Japanese, on one line
    std::string path;  // the file (or the folder); empty when text was parsed without one

    bool operator==(const FormFileProblem&) const = default;
};

// The problem as one line: "<path>(<line>行目): <text>", without the line number when there is
// none; the path with whatever it holds made visible on that line.
std::string DescribeFormFileProblem(const FormFileProblem& problem);

// The form a file's text describes. fileId is the id the file's name gives; the first line must
// name the same.
Expected<FormDefinition, FormFileProblem> ParseFormFile(std::string_view text, std::string_view fileId);

// The text of the form, as ParseFormFile reads it back: the form line, then the common and the
// insured definitions in their order, every line ended by "\n".
std::string FormFileText(const FormDefinition& form);

}  // namespace tenvor
