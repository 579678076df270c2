// A form drafted from notifications: the form file that they match, for a notification that the
// form it names no longer fits (an element renamed, added or dropped) or a form the program has
// never seen.
//
// The rules, notification by notification, in the order given:
// - Every notification must be well-formed, and its document element shaped like a form id ("N"
//   and seven digits); a member of a ZIP whose document element is not so shaped (a cover letter)
//   is passed over, as conversion does. All must have the same document element.
// - Kind: the current definition's when the runs know the id; otherwise "records" when the
//   document element has a "_被保険者" child, else "single".
// - Records: the common fields are the document element's children other than "_被保険者", in
//   document order (none, and the elements there are not looked at, when the runs know the form
//   and it has no common fields: conversion ignores them); the insured fields are the children of
//   the first "_被保険者" (every one found, at any depth, as conversion finds them), in document
//   order. Single: the fields are the document element's children.
// - Every "_被保険者" of every notification must have the insured fields of the first, by name and
//   in order, and every notification the common fields (or the single record's) of the first.
// - A field is an element without elements inside it; a comment, a processing instruction or
//   text among the fields, and an element given twice in one list, refuse the draft with the
//   reason conversion gives for them.
// - Lengths: a name the current definition has in the same list keeps its length; a new name gets
//   the largest length in bytes, in code page 932, of its values (as conversion takes them) among
//   all the notifications, and at least 1.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/FormDifferences.h"
#include "convert/XmlDocument.h"
#include "diag/FailureReasons.h"
#include "forms/FormCatalogue.h"
#include "forms/FormDefinition.h"
#include "shared/Expected.h"

namespace tenvor {

// Why no draft is made: the file concerned (a notification, a ZIP member by the path runs show it
// with, a form file; empty when it belongs to no one file) and one line of Japanese.
struct DraftRefusal {
    std::string path;
    std::string reason;

    bool operator==(const DraftRefusal&) const = default;
};

// "<path>: <reason>", the path made visible on one line (OneLineText); the reason alone without
// a path.
std::string DescribeDraftRefusal(const DraftRefusal& refusal);

struct FormDraft {
    FormDefinition form;                      // the draft
    std::optional<FormDefinition> current;    // what the runs know for its id; none for a new form
    std::string currentFile;                  // the form file current comes from; empty for a built-in form
    std::vector<FormDifference> differences;  // from current to form (FormDifferences.h)
    int notifications = 0;                    // drafted from this many notifications
    int otherDocuments = 0;                   // members passed over as not notifications

    bool IsNewForm() const { return !current.has_value(); }
};

class FormDraftBuilder {
public:
    // catalogue: the forms the runs know, which give each id's current definition. It must
    // outlive the builder.
    explicit FormDraftBuilder(const FormCatalogue& catalogue);

    // Takes one notification. path names it in refusals; passOverOtherDocuments (a ZIP's member)
    // passes over a document whose element is not shaped like a form id instead of refusing it.
    // Returns the refusal when the notification cannot be part of the draft; no notification may
    // be added after one.
    std::optional<DraftRefusal> Add(const std::string& path, const XmlDocument& document, bool passOverOtherDocuments);
    // The same from a file, or from bytes in memory (a member of a ZIP), loading them first.
    std::optional<DraftRefusal> AddFile(const std::string& path);
    std::optional<DraftRefusal> AddMemory(const std::string& path, std::string_view bytes, bool passOverOtherDocuments);

    // The draft of the notifications added; refused when there was none.
    Expected<FormDraft, DraftRefusal> Finish() const;

private:
    // A list as the first notification gave it: names in order, and the largest value length seen.
    struct DraftList {
        bool defined = false;
        std::vector<std::string> names;
        std::vector<int> bytes;
    };
    // The fields of one place, checked, and held against list (which they define when it is not
    // yet): referencePath and referencePlace name the place that defined it.
    std::optional<std::string> ReadPlace(XmlNode parent, bool passOverRecords, FieldPlace place, DraftList& list,
                                         const std::string& referencePath, FieldPlace referencePlace);

    const FormCatalogue& catalogue_;
    std::string id_;
    std::string firstPath_;
    const FormDefinition* known_ = nullptr;
    bool singleRecord_ = false;
    bool ignoresCommon_ = false;  // a known records form without common fields
    DraftList common_;
    DraftList insured_;
    int notifications_ = 0;
    int otherDocuments_ = 0;
    std::string scratch_;  // a value in code page 932, to measure it
};

}  // namespace tenvor
