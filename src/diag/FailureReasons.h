// The reasons of the error records: one line of Japanese each, naming what is wrong and where.
// Every reason of a run is made here, so that their wording stays one family. The log never
// carries them (other programs read it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "shared/PackageFault.h"

namespace tenvor {

// Kind 0: the CSV file that exists.
std::string ExistingCsvReason(std::string_view csvPath);

// Kind 1: the file is no well-formed XML document; line and column count from 1.
std::string NotWellFormedReason(int line, int column, std::string_view parserMessage);
std::string TooLargeReason(std::int64_t bytes, std::int64_t limit);
std::string EntityReason();
// The document element names no supported form.
std::string UnsupportedFormReason(std::string_view documentElement);
std::string OutOfMemoryReason();

// What the field check found wrong.
enum class FieldProblem {
    UndefinedElement,       // an element the form does not define
    MissingElement,         // a definition without its element
    RepeatedElement,        // an element given twice
    Comment,                // a comment among the fields
    ProcessingInstruction,  // a processing instruction among the fields
    Text,                   // text among the fields
};
// Where the field check looked: the common part, the one record of a single-record form, or the
// k-th "_被保険者" (k from 1).
struct FieldPlace {
    enum class Part { Common, SingleRecord, Person } part = Part::Common;
    int person = 0;
};
std::string FieldProblemReason(FieldProblem problem, std::string_view formId, std::string_view name, FieldPlace place);
// A form with person records whose notification holds none.
std::string NoPersonRecordReason(std::string_view formId);

// What a form cannot be drafted from (tenvor-cli forms --from), beside the field check's own
// problems above, which a draft refuses with the same words.
// A field that holds elements: no form file describes what is inside it.
std::string NestedElementReason(std::string_view name, FieldPlace place);
// A place without any field.
std::string NoFieldReason(FieldPlace place);
// The fields of place are not those of the place they must repeat: referencePath (empty for the
// same notification) and referencePlace name it. position counts from 1; name is the element
// found there (empty when place has fewer), referenceName the one the reference has there (empty
// when it has fewer).
std::string DifferentFieldsReason(FieldPlace place, std::string_view referencePath, FieldPlace referencePlace,
                                  int position, std::string_view name, std::string_view referenceName);
// A notification of another form than the one at otherPath.
std::string DifferentFormReason(std::string_view documentElement, std::string_view otherPath,
                                std::string_view otherElement);
// None of the files given holds a notification.
std::string NoNotificationReason();
// A ZIP file without the member asked for.
std::string MemberNotFoundReason(std::string_view member);

// Kind 2: the file could not be read; systemText is the system's reason.
std::string ReadFailureReason(std::string_view systemText);
std::string UnlistedFolderReason();

// Kind 1 or 2 (ErrorKindOf): a ZIP package or an item of it that could not be read. The fault's
// detail follows the text in brackets; for an unsafe name, the unsafe part after a colon.
std::string PackageFaultReason(const PackageFault& fault);
// Kind 1: a package or an item of it over a limit (the kinds after ReadError), with the number
// found and the limit: `メンバーの名前が長すぎます（2000バイト、上限1024バイト）`.
std::string PackageLimitReason(const PackageFault& fault);

// Kind 3: the output folder is missing, a folder below it or the CSV file cannot be created.
std::string OutputFolderMissingReason(std::string_view folder);
std::string FolderNotCreatedReason(std::string_view folder, std::string_view systemText);
// A folder below the output folder that is a link (or a junction): nothing is written through it.
std::string LinkedFolderReason(std::string_view folder);
std::string CsvNotCreatedReason(std::string_view csvPath, std::string_view systemText);
// Kind 3: the person records of a large notification could not be kept in the temporary folder.
std::string ScratchFileReason(std::string_view systemText);

}  // namespace tenvor
