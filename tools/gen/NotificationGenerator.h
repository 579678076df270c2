// Synthetic notifications for tests, examples, fuzzing seeds and benchmarks: a notification of
// any supported form with made-up but plausible values, in UTF-8 or Shift_JIS, optionally
// broken on purpose, together with the CSV lines a correct conversion gives for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "forms/FormDefinition.h"

namespace tenvor {
class FormCatalogue;
}

namespace tenvor::gen {

enum class FileEncoding {
    Utf8,      // with an XML declaration naming UTF-8
    Utf8Bom,   // byte-order mark, no encoding in the declaration
    ShiftJis,  // declared "Shift_JIS", bytes in code page 932
};

// Ways to break a notification; every one of them makes the conversion fail with kind 1.
enum class Fault {
    None,
    UnsupportedForm,  // a document element of the right shape that is no supported form
    MissingField,     // one field of the last record left out
    ExtraElement,     // an element no list defines, in the last record
    CommentInRecord,  // a comment between two fields of the last record
    NoPersonRecord,   // no "_被保険者" element (forms with person records only)
    Truncated,        // the file cut off in the middle
    NotXml,           // plain text
    Empty,            // zero bytes
};

struct NotificationSpec {
    std::string formId = "N2018003";
    int persons = 1;  // person records; single-record forms always have one
    FileEncoding encoding = FileEncoding::Utf8;
    std::uint32_t seed = 1;
    std::size_t targetBytes = 0;  // pad a free-text field until the file is about this size
    Fault fault = Fault::None;
    bool shuffleFields = false;      // fields in a random order inside each record
    bool specialCharacters = false;  // values with commas, quotes, line breaks, & and <
    bool extraRootElements = false;  // elements beside the records (ignored by forms without a common list)
};

struct GeneratedNotification {
    std::string bytes;  // the file
    // The CSV a correct conversion writes, in UTF-8, lines ended by "\n" (empty when the
    // notification is broken): form id, [kanri], common line, [data], person lines.
    std::string expectedCsv;
    bool convertible = true;
};

// A notification of the form wanted.formId, one of the catalogue's or one of the given forms. An id that is none of
// them is an std::invalid_argument (unless the fault makes the file without a form: Empty, NotXml).
GeneratedNotification Generate(const FormCatalogue& catalogue, const NotificationSpec& wanted);
GeneratedNotification Generate(std::span<const FormDefinition> forms, const NotificationSpec& wanted);

// A folder of mixed notifications with increasing last-write times.
struct FolderSpec {
    int count = 100;
    std::uint32_t seed = 1;
    int minPersons = 1;
    int maxPersons = 5;
    double failFraction = 0.03;
    double shiftJisFraction = 0.25;
    std::size_t minBytes = 2048;
    std::size_t maxBytes = 10240;
    std::int64_t firstMtime = 1767225600;  // 2026-01-01 00:00:00 UTC, one second apart
};

struct GeneratedFile {
    std::string name;
    bool convertible;
    std::string expectedCsv;
};

// Writes the files into the folder (which must exist), each of a form drawn from the catalogue
// or from the given forms. Returns what was written, in last-write order.
std::vector<GeneratedFile> GenerateFolder(const FormCatalogue& catalogue, const std::string& folder,
                                          const FolderSpec& wanted);
std::vector<GeneratedFile> GenerateFolder(std::span<const FormDefinition> forms, const std::string& folder,
                                          const FolderSpec& wanted);

// The curated examples: one notification of every form of the catalogue (some in Shift_JIS, one
// with special characters), plus a few that fail on purpose.
std::vector<GeneratedFile> GenerateExamples(const FormCatalogue& catalogue, const std::string& folder);

// Conversion of UTF-8 text to code page 932 (every character must be representable).
std::string ToCp932(const std::string& utf8);

}  // namespace tenvor::gen
