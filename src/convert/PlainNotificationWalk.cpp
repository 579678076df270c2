#include "convert/PlainNotificationWalk.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "convert/XmlDocument.h"
#include "forms/FormCatalogue.h"

namespace tenvor {

namespace {

PlainNotificationWalk& WalkOf(void* userData)
{
    return *static_cast<PlainNotificationWalk*>(userData);
}

void OnStartElement(void* userData, const xmlChar* localName, const xmlChar* prefix, const xmlChar* /*uri*/,
                    int /*namespaceCount*/, const xmlChar** /*namespaces*/, int /*attributeCount*/,
                    int /*defaultedCount*/, const xmlChar** /*attributes*/)
{
    WalkOf(userData).StartElement(reinterpret_cast<const char*>(localName), reinterpret_cast<const char*>(prefix));
}

void OnEndElement(void* userData, const xmlChar* /*localName*/, const xmlChar* /*prefix*/, const xmlChar* /*uri*/)
{
    WalkOf(userData).EndElement();
}

void OnCharacters(void* userData, const xmlChar* text, int length)
{
    WalkOf(userData).Characters(reinterpret_cast<const char*>(text), length);
}

void OnComment(void* userData, const xmlChar* /*text*/)
{
    WalkOf(userData).OtherNode();
}

void OnProcessingInstruction(void* userData, const xmlChar* /*target*/, const xmlChar* /*data*/)
{
    WalkOf(userData).OtherNode();
}

void OnCData(void* userData, const xmlChar* /*text*/, int /*length*/)
{
    WalkOf(userData).GiveUp();
}

void OnReference(void* userData, const xmlChar* /*name*/)
{
    WalkOf(userData).GiveUp();
}

void OnDocumentType(void* userData, const xmlChar* /*name*/, const xmlChar* /*publicId*/, const xmlChar* /*systemId*/)
{
    WalkOf(userData).GiveUp();
}

void OnError(void* userData, xmlError* error)
{
    if (error != nullptr && error->level >= XML_ERR_ERROR) {
        WalkOf(userData).GiveUp();
    }
}

bool IsBlank(std::string_view text)
{
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            return false;
        }
    }
    return true;
}

// Whether a loaded document's tree leaves out this piece of a field's character data: with
// XML_PARSE_NOBLANKS, libxml2 takes white space for ignorable when it comes first in an element
// (no text before it) and is followed by "<" that opens an element or by a carriage return, unless
// xml:space="preserve" holds. What follows a piece that lies in the parser's input is right after
// it. A piece the parser copied is a character reference (always kept) or text libxml2 judged at
// its position; where the two would differ, only the streamed walk can tell.
enum class BlankPiece { Kept, Ignored, Unsure };

BlankPiece JudgeBlankPiece(const xmlParserCtxt& parser, std::string_view piece, bool textBefore)
{
    if (textBefore || !IsBlank(piece) || parser.space == nullptr || *parser.space == 1 || *parser.space == -2 ||
        parser.input == nullptr || parser.input->cur == nullptr) {
        return BlankPiece::Kept;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(piece.data());
    const auto base = reinterpret_cast<std::uintptr_t>(parser.input->base);
    const auto end = reinterpret_cast<std::uintptr_t>(parser.input->end);
    const bool inInput = base != 0 && start >= base && start + piece.size() <= end;
    const xmlChar* next = inInput ? reinterpret_cast<const xmlChar*>(piece.data()) + piece.size() : parser.input->cur;
    const bool ignorable = next[0] == '<' ? next[1] != '/' : next[0] == 0x0D;
    if (!ignorable) {
        return BlankPiece::Kept;
    }
    return inInput ? BlankPiece::Ignored : BlankPiece::Unsure;
}

struct ParserFree {
    void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};

}  // namespace

PlainNotificationWalk::PlainNotificationWalk(const FormCatalogue& forms) : forms_(forms) {}

bool PlainNotificationWalk::Run(std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return false;  // nothing the parser takes from memory
    }
    // Parsing from memory, libxml2 takes a zero byte after the document element for the end of
    // the input, where the streamed walk finds content after the end (UTF-16 has zero bytes
    // everywhere; it is rare enough to be read the other way).
    if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
        return false;
    }
    XmlDocument::InitializeLibrary();
    XmlDocument::SilenceThisThread();
    const std::unique_ptr<xmlParserCtxt, ParserFree> parser{
        xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size()))};
    if (!parser || parser->sax == nullptr) {
        return false;  // NotificationWalk tells the shortage of memory
    }
    xmlCtxtUseOptions(parser.get(), XmlDocument::ParseOptions());
    // Only these events; no tree is built.
    xmlSAXHandler& events = *parser->sax;
    std::memset(&events, 0, sizeof events);
    events.initialized = XML_SAX2_MAGIC;
    events.startElementNs = OnStartElement;
    events.endElementNs = OnEndElement;
    events.characters = OnCharacters;
    events.ignorableWhitespace = OnCharacters;
    events.cdataBlock = OnCData;
    events.comment = OnComment;
    events.processingInstruction = OnProcessingInstruction;
    events.reference = OnReference;
    events.internalSubset = OnDocumentType;
    events.externalSubset = OnDocumentType;
    events.serror = OnError;
    parser->userData = this;
    parser_ = parser.get();
    xmlParseDocument(parser.get());
    parser_ = nullptr;
    return !givenUp_ && parser->wellFormed != 0 && parser->nsWellFormed != 0 && rootEnded_ &&
           !record_.insuredData.Empty();
}

void PlainNotificationWalk::GiveUp()
{
    if (!givenUp_) {
        givenUp_ = true;
        if (parser_ != nullptr) {
            xmlStopParser(static_cast<xmlParserCtxt*>(parser_));
        }
    }
}

void PlainNotificationWalk::OtherNode()
{
    if (depth_ > 0) {
        GiveUp();
    }
}

void PlainNotificationWalk::StartElement(const char* localName, const char* prefix)
{
    if (givenUp_) {
        return;
    }
    ++depth_;
    if (prefix != nullptr) {
        name_.assign(prefix);
        name_ += ':';
        name_ += localName;
    } else {
        name_.assign(localName);
    }
    switch (place_) {
        case Place::Outside: {
            if (rootEnded_) {
                GiveUp();
                return;
            }
            record_.styleNum = name_;
            form_ = forms_.Find(name_);
            if (form_ == nullptr) {
                GiveUp();
                return;
            }
            rootMatcher_.emplace(*form_, form_->singleRecord ? kInsuredList : kCommonList);
            place_ = Place::Root;
            return;
        }
        case Place::Root: {
            ++childCount_;
            if (!form_->singleRecord && name_ == kInsuredElementName) {
                StartRecord();
                return;
            }
            const FieldMatcher::Step step = rootMatcher_->OfferElement(name_);
            if (step == FieldMatcher::Step::Skip && !form_->singleRecord) {
                skippedDepth_ = depth_;
                place_ = Place::Skipped;
                return;
            }
            if (step != FieldMatcher::Step::Field) {
                GiveUp();
                return;
            }
            ++commonSteps_;
            StartField(Place::Field);
            return;
        }
        case Place::Skipped:
            if (name_ == kInsuredElementName) {
                StartRecord();
            }
            return;
        case Place::Record:
            if (personMatcher_->OfferElement(name_) != FieldMatcher::Step::Field) {
                GiveUp();
                return;
            }
            StartField(Place::RecordField);
            return;
        case Place::Field:
        case Place::RecordField:
            GiveUp();  // markup inside a field
            return;
    }
}

void PlainNotificationWalk::StartRecord()
{
    personMatcher_.emplace(*form_, kInsuredList);
    recordParent_ = place_;
    place_ = Place::Record;
}

void PlainNotificationWalk::StartField(Place field)
{
    text_.clear();
    fieldHasText_ = false;
    place_ = field;
}

void PlainNotificationWalk::EndElement()
{
    if (givenUp_) {
        return;
    }
    --depth_;
    switch (place_) {
        case Place::Field:
            FinishField();
            place_ = Place::Root;
            return;
        case Place::RecordField:
            FinishField();
            place_ = Place::Record;
            return;
        case Place::Record:
            personMatcher_->Finish();
            if (personMatcher_->Failed() || !record_.insuredData.Add(personMatcher_->TakeValues())) {
                GiveUp();
                return;
            }
            ++personSteps_;
            place_ = recordParent_;
            return;
        case Place::Skipped:
            if (depth_ < skippedDepth_) {
                place_ = Place::Root;
            }
            return;
        case Place::Root:
            rootMatcher_->Finish();
            if (rootMatcher_->Failed()) {
                GiveUp();
                return;
            }
            if (form_->singleRecord) {
                if (!record_.insuredData.Add(rootMatcher_->TakeValues())) {
                    GiveUp();
                    return;
                }
            } else {
                record_.commonData = rootMatcher_->TakeValues();
            }
            rootEnded_ = true;
            place_ = Place::Outside;
            return;
        case Place::Outside:
            GiveUp();
            return;
    }
}

void PlainNotificationWalk::Characters(const char* text, int length)
{
    if (givenUp_) {
        return;
    }
    const std::string_view piece(text, static_cast<std::size_t>(length));
    if (place_ == Place::Field || place_ == Place::RecordField) {
        switch (JudgeBlankPiece(*static_cast<const xmlParserCtxt*>(parser_), piece, fieldHasText_)) {
            case BlankPiece::Kept:
                text_ += piece;
                fieldHasText_ = true;
                break;
            case BlankPiece::Ignored:
                break;
            case BlankPiece::Unsure:
                GiveUp();
                break;
        }
    } else if (place_ != Place::Skipped && !IsBlank(piece)) {
        GiveUp();  // text among the fields
    }
}

void PlainNotificationWalk::FinishField()
{
    // A field of white space only has no value, as its blank text is dropped from a loaded field.
    FieldMatcher& matcher = place_ == Place::Field ? *rootMatcher_ : *personMatcher_;
    if (IsBlank(text_)) {
        matcher.Take({});
    } else {
        matcher.Take(std::move(text_));
        text_.clear();
    }
}

}  // namespace tenvor
