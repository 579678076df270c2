// Reads a notification in one pass over a stream, holding no more of the document than one
// field at a time: the document element's children are met in order, each field is expanded
// into its small subtree and flattened there, and every person record (a "_被保険者" element at
// any depth, in document order) is flattened as it ends. After the first mismatch the rest is
// still read, without keeping values, so that a later well-formedness error or an unacceptable
// entity reference is known. What the walk finds is then judged by the loader in the order a
// loaded document is judged.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "convert/NodeFlattener.h"
#include "convert/XmlStream.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class FormCatalogue;
struct FormEntry;

class NotificationWalk {
public:
    NotificationWalk(const FormCatalogue& forms, XmlStream& stream);

    // Reads the stream to its end (or to the parser's first fatal error).
    void Run();

    bool FoundRoot() const { return foundRoot_; }
    const FormEntry* Form() const { return form_; }
    // The document element's significant children, as the bar counts them.
    int ChildCount() const { return childCount_; }
    bool EntitiesAcceptable() const { return entitiesAcceptable_; }
    // The first mismatch of the common part (or of the one record of a single-record form).
    const std::optional<FieldMismatch>& CommonMismatch() const { return commonMismatch_; }
    // The first person record that does not match, and its number (from 1).
    const std::optional<FieldMismatch>& PersonMismatch() const { return personMismatch_; }
    int PersonMismatchNumber() const { return personMismatchNumber_; }
    // The steps the bar advances in file mode: matched fields of the common part (or of a
    // single-record form) before its first mismatch, then person records before theirs.
    int CommonSteps() const { return commonSteps_; }
    int PersonSteps() const { return personSteps_; }
    // Why a person record could not be kept (the scratch file); empty when none.
    const std::string& StoreFailure() const { return storeFailure_; }

    StXmlInfo& Record() { return record_; }

private:
    // Whether values are still worth keeping: nothing has failed yet.
    bool KeepsValues() const;
    // At a child of the document element; each returns with the stream past the node's subtree
    // (false when the stream ended).
    bool RootChild();
    bool CommonChild();
    bool SingleRecordChild();
    // At a matched field of the common part (or of a single-record form's record): its value,
    // and with recordsInside the person records inside it.
    bool TakeRootField(bool recordsInside);
    // At a person record's start.
    bool PersonRecord();
    // Past the current node's subtree, checking its entity references; with findRecords, the
    // person records inside it are read as such.
    bool Skip(bool findRecords);
    // The current element's subtree, without insignificant white space, its references checked.
    XmlNode ExpandField();
    // The person records inside an expanded field, in document order, into `pending`.
    void RecordsInside(XmlNode field, std::vector<std::vector<std::string>>& pending,
                       std::optional<FieldMismatch>& pendingMismatch, int& pendingMismatchNumber);
    void KeepPerson(const std::vector<std::string>& values);

    const FormCatalogue& forms_;
    XmlStream& stream_;
    NodeFlattener flattener_;
    std::optional<EntityReferenceCheck> entities_;
    const FormEntry* form_ = nullptr;
    std::optional<FieldMatcher> matcher_;  // the common part, or a single-record form's record
    bool foundRoot_ = false;
    int childCount_ = 0;
    bool entitiesAcceptable_ = true;
    std::optional<FieldMismatch> commonMismatch_;
    std::optional<FieldMismatch> personMismatch_;
    int personMismatchNumber_ = 0;
    int personCount_ = 0;
    int commonSteps_ = 0;
    int personSteps_ = 0;
    std::string storeFailure_;
    StXmlInfo record_;
};

}  // namespace tenvor
