// Reads a plain notification held in memory with libxml2's SAX parser, building no tree: the
// document element, its fields and person records, and in each field character data only. That
// is what issued notifications are, and reading them so costs about two thirds of building their
// tree. At anything else (a document type, a comment, processing instruction, CDATA section or
// entity reference inside the document element, markup inside a field, a field that does not
// match the form, a parser error, no person record) the walk gives up, and the loader reads the
// document again with NotificationWalk, which knows every such case and judges it; so this walk
// decides only what a document that converts cleanly holds, and holds exactly that.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "convert/NodeFlattener.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class FormCatalogue;
struct FormEntry;

class PlainNotificationWalk {
public:
    explicit PlainNotificationWalk(const FormCatalogue& forms);

    // Reads the document: true when it converts cleanly and Record() holds it all; false when
    // it is to be read by NotificationWalk.
    bool Run(std::string_view bytes);

    // After a true Run, as NotificationWalk counts them.
    int ChildCount() const { return childCount_; }
    int CommonSteps() const { return commonSteps_; }
    int PersonSteps() const { return personSteps_; }
    StXmlInfo& Record() { return record_; }

    // The parser's events (called from C callbacks).
    void StartElement(const char* localName, const char* prefix);
    void EndElement();
    void Characters(const char* text, int length);
    // A comment or processing instruction: no part of the notification outside the document
    // element, one that only NotificationWalk reads inside it.
    void OtherNode();
    void GiveUp();

private:
    // Where the parser is: Skipped is inside a child of the document element that a common list
    // without definitions takes whole, where only person records count.
    enum class Place { Outside, Root, Field, Skipped, Record, RecordField };

    // A person record starts where the walk is (the document element or a skipped child).
    void StartRecord();
    void StartField(Place field);
    void FinishField();
    bool FinishRecord();

    const FormCatalogue& forms_;
    void* parser_ = nullptr;  // the libxml2 parser context while Run reads
    bool givenUp_ = false;
    Place place_ = Place::Outside;
    int depth_ = 0;         // elements open
    int skippedDepth_ = 0;  // the depth of the skipped child of the document element
    Place recordParent_ = Place::Root;
    bool rootEnded_ = false;
    const FormEntry* form_ = nullptr;
    std::optional<FieldMatcher> rootMatcher_;    // the common part, or a single-record form's record
    std::optional<FieldMatcher> personMatcher_;  // the person record being read
    std::string text_;                           // the field being read
    bool fieldHasText_ = false;                  // some of its text was kept
    std::string name_;
    int childCount_ = 0;
    int commonSteps_ = 0;
    int personSteps_ = 0;
    StXmlInfo record_;
};

}  // namespace tenvor
