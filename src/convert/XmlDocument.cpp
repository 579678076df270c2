#include "convert/XmlDocument.h"

#include <libxml/SAX2.h>
#include <libxml/encoding.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

#include "diag/FailureReasons.h"
#include "platform/InputFile.h"
#include "platform/TextCodec.h"

namespace tenvor {

namespace {

// Parsing never substitutes or loads entities, never loads a DTD, never touches the network and
// keeps libxml2's limits on depth, text size and entity amplification (no XML_PARSE_HUGE).
// White space between elements is insignificant and not even turned into nodes; what libxml2
// keeps (white space alone inside an element, or next to text) is skipped below.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT | XML_PARSE_NOBLANKS;

// Notifications are kilobytes to a few megabytes; anything beyond this is not one.
constexpr std::int64_t kMaxNotificationBytes = std::int64_t{1} << 30;

// Owners of libxml2's objects, so that nothing leaks however a function is left.
struct XmlCharFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
struct XmlBufferFree {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};
struct XmlParserFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
using XmlText = std::unique_ptr<xmlChar, XmlCharFree>;
using XmlBuffer = std::unique_ptr<xmlBuffer, XmlBufferFree>;
using XmlParser = std::unique_ptr<xmlParserCtxt, XmlParserFree>;

bool IsBlankText(const xmlNode* node)
{
    if (node->type != XML_TEXT_NODE || node->content == nullptr) {
        return false;
    }
    for (const xmlChar* c = node->content; *c != 0; ++c) {
        if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r') {
            return false;
        }
    }
    return true;
}

xmlNode* SkipBlank(xmlNode* node)
{
    while (node != nullptr && IsBlankText(node)) {
        node = node->next;
    }
    return node;
}

xmlParserInputPtr DenyExternalEntity(const char* /*url*/, const char* /*id*/, xmlParserCtxtPtr /*ctxt*/)
{
    return nullptr;
}

void IgnoreMessage(void* /*ctx*/, const char* /*msg*/, ...) {}

// libxml2 keeps its message handler per thread; messages outside a parse (such as a failed
// encoding conversion) would otherwise reach standard error.
void SilenceThisThread()
{
    thread_local const bool silenced = [] {
        xmlSetGenericErrorFunc(nullptr, IgnoreMessage);
        return true;
    }();
    (void)silenced;
}

// The next node after `node` in document order within `top`, descending only into elements
// (an entity reference's children belong to its declaration, not to the document).
xmlNode* NextInDocumentOrder(xmlNode* node, xmlNode* top)
{
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
        return node->children;
    }
    while (node != nullptr && node != top) {
        if (node->next != nullptr) {
            return node->next;
        }
        node = node->parent;
    }
    return nullptr;
}

void AppendCharacterData(std::string& out, xmlNode* top)
{
    for (xmlNode* node = top->children; node != nullptr; node = NextInDocumentOrder(node, top)) {
        switch (node->type) {
            case XML_TEXT_NODE:
                if (!IsBlankText(node) && node->content != nullptr) {
                    out += reinterpret_cast<const char*>(node->content);
                }
                break;
            case XML_CDATA_SECTION_NODE:
                if (node->content != nullptr) {
                    out += reinterpret_cast<const char*>(node->content);
                }
                break;
            case XML_ENTITY_REF_NODE:
                if (const XmlText content{xmlNodeGetContent(node)}) {
                    out += reinterpret_cast<const char*>(content.get());
                }
                break;
            default:
                break;
        }
    }
}

// Removes the insignificant white space below `top`, as if the parser had dropped it.
void StripBlankText(xmlNode* top)
{
    xmlNode* node = top->children;
    while (node != nullptr) {
        xmlNode* next = NextInDocumentOrder(node, top);
        if (IsBlankText(node)) {
            // Its successor in document order is computed before it goes; a text node has no
            // children, so the successor does not depend on it.
            xmlUnlinkNode(node);
            xmlFreeNode(node);
        }
        node = next;
    }
}

// Entity references stay nodes of their own and are resolved only when a value's text is taken
// (AppendCharacterData). Two kinds of document are therefore refused at load, as the parser
// refuses an oversized text: one whose references resolve to more text than the parser allows
// in a single text node (a few kilobytes of references to a large entity would otherwise become
// gigabytes of values), and one with a reference that cannot be resolved from the document
// itself (undeclared, external and never loaded, or never parsed), whose text would silently
// be missing from the value.
constexpr std::size_t kMaxResolvedEntityBytes = XML_MAX_TEXT_LENGTH;
constexpr int kMaxEntityNesting = 40;  // the parser refuses deeper nesting anyway

// What libxml2 reads the document from: an open file, and the first read error, if any.
struct FileSource {
    InputFile file;
    int error = 0;
};

int ReadCallback(void* context, char* buffer, int length)
{
    auto* source = static_cast<FileSource*>(context);
    const long got = source->file.Read(buffer, static_cast<std::size_t>(length));
    if (got < 0) {
        source->error = errno != 0 ? errno : EIO;
        return -1;
    }
    return static_cast<int>(got);
}

}  // namespace

bool XmlNode::IsElement() const
{
    return node_->type == XML_ELEMENT_NODE;
}

bool XmlNode::IsCData() const
{
    return node_->type == XML_CDATA_SECTION_NODE;
}

bool XmlNode::IsComment() const
{
    return node_->type == XML_COMMENT_NODE;
}

bool XmlNode::IsProcessingInstruction() const
{
    return node_->type == XML_PI_NODE;
}

std::string_view XmlNode::ElementName(std::string& scratch) const
{
    if (node_->type != XML_ELEMENT_NODE || node_->name == nullptr) {
        return {};
    }
    const auto* local = reinterpret_cast<const char*>(node_->name);
    if (node_->ns == nullptr || node_->ns->prefix == nullptr) {
        return local;
    }
    scratch.assign(reinterpret_cast<const char*>(node_->ns->prefix));
    scratch += ':';
    scratch += local;
    return scratch;
}

XmlNode XmlNode::FirstChild() const
{
    return XmlNode(SkipBlank(node_->children));
}

XmlNode XmlNode::NextSibling() const
{
    return XmlNode(SkipBlank(node_->next));
}

int XmlNode::ChildCount() const
{
    int count = 0;
    for (XmlNode child = FirstChild(); child; child = child.NextSibling()) {
        ++count;
    }
    return count;
}

bool XmlNode::HasOnlyCharacterData() const
{
    for (XmlNode child = FirstChild(); child; child = child.NextSibling()) {
        const auto type = child.node_->type;
        if (type != XML_TEXT_NODE && type != XML_CDATA_SECTION_NODE && type != XML_ENTITY_REF_NODE) {
            return false;
        }
    }
    return true;
}

std::string XmlNode::InnerText() const
{
    std::string text;
    AppendCharacterData(text, node_);
    return text;
}

std::string XmlNode::InnerMarkup() const
{
    // The document holds no insignificant white space (it went at load), so the dump is the
    // content as the conversion sees it.
    std::string markup;
    const XmlBuffer buffer{xmlBufferCreate()};
    if (!buffer) {
        throw std::bad_alloc();
    }
    for (xmlNode* child = node_->children; child != nullptr; child = child->next) {
        xmlBufferEmpty(buffer.get());
        if (xmlNodeDump(buffer.get(), node_->doc, child, 0, 0) >= 0) {
            markup.append(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                          static_cast<std::size_t>(xmlBufferLength(buffer.get())));
        }
    }
    return markup;
}

EntityReferenceCheck::EntityReferenceCheck(xmlDocPtr doc) : doc_(doc) {}

bool EntityReferenceCheck::Checked() const
{
    // Without a document type declaration there are no references.
    return doc_ != nullptr && (doc_->intSubset != nullptr || doc_->extSubset != nullptr);
}

bool EntityReferenceCheck::Acceptable(XmlNode root)
{
    return AddReferencesBelow(root);
}

bool EntityReferenceCheck::AddReferencesBelow(XmlNode top)
{
    if (failed_ || !Checked()) {
        return !failed_;
    }
    xmlNode* topNode = top.Raw();
    for (xmlNode* node = topNode->children; node != nullptr; node = NextInDocumentOrder(node, topNode)) {
        if (node->type == XML_ENTITY_REF_NODE && !Add(node, total_, 0)) {
            failed_ = true;
            return false;
        }
    }
    return true;
}

bool EntityReferenceCheck::AddReference(XmlNode reference)
{
    if (failed_ || !Checked()) {
        return !failed_;
    }
    if (!Add(reference.Raw(), total_, 0)) {
        failed_ = true;
    }
    return !failed_;
}

// Adds the length of the text the reference resolves to, as xmlNodeGetContent gives it.
bool EntityReferenceCheck::Add(xmlNode* reference, std::size_t& total, int nesting)
{
    xmlEntityPtr entity = xmlGetDocEntity(doc_, reference->name);
    if (entity == nullptr || entity->etype != XML_INTERNAL_GENERAL_ENTITY || nesting > kMaxEntityNesting) {
        return false;
    }
    std::size_t size = 0;
    if (const auto known = sizes_.find(entity); known != sizes_.end()) {
        size = known->second;
    } else {
        if (entity->children == nullptr && entity->length > 0) {
            return false;  // declared with text, but never parsed into nodes
        }
        if (!open_.insert(entity).second) {
            return false;  // refers to itself
        }
        for (xmlNode* child = entity->children; child != nullptr; child = child->next) {
            if (!AddText(child, size, nesting + 1)) {
                return false;
            }
        }
        open_.erase(entity);
        sizes_.emplace(entity, size);
    }
    total = total > kMaxResolvedEntityBytes - size ? kMaxResolvedEntityBytes + 1 : total + size;
    return total <= kMaxResolvedEntityBytes;
}

bool EntityReferenceCheck::AddText(xmlNode* node, std::size_t& total, int nesting)
{
    switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            total += node->content != nullptr ? static_cast<std::size_t>(xmlStrlen(node->content)) : 0;
            return total <= kMaxResolvedEntityBytes;
        case XML_ENTITY_REF_NODE:
            return Add(node, total, nesting);
        case XML_ELEMENT_NODE:
            for (xmlNode* inner = node->children; inner != nullptr; inner = NextInDocumentOrder(inner, node)) {
                if ((inner->type == XML_TEXT_NODE || inner->type == XML_CDATA_SECTION_NODE ||
                     inner->type == XML_ENTITY_REF_NODE) &&
                    !AddText(inner, total, nesting)) {
                    return false;
                }
            }
            return true;
        default:
            return true;
    }
}

XmlNode XmlNode::NextElementInDocumentOrder(_xmlNode* top) const
{
    for (xmlNode* node = NextInDocumentOrder(node_, top); node != nullptr; node = NextInDocumentOrder(node, top)) {
        if (node->type == XML_ELEMENT_NODE) {
            return XmlNode(node);
        }
    }
    return XmlNode();
}

void XmlDocument::DocFree::operator()(_xmlDoc* doc) const
{
    xmlFreeDoc(doc);
}

void XmlDocument::InitializeLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(DenyExternalEntity);
        // Documents in Shift_JIS are read as Windows writes it (code page 932: ①, ㈱, 髙, and 81 60
        // as ～), whatever spelling their declaration uses, with the program's own tables on every
        // system.
        xmlNewCharEncodingHandler("CP932", Cp932ToUtf8, nullptr);
        for (const char* alias : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI", "CSSHIFTJIS", "X-SJIS", "WINDOWS-31J",
                                  "CSWINDOWS31J", "MS932"}) {
            xmlAddEncodingAlias("CP932", alias);
        }
    });
}

namespace {

// Takes the parser's result: a well-formed document with a document element whose entity
// references are acceptable becomes the document, without its insignificant white space.
// The parser's first complaint: where it is and what it says, on one line.
std::string ParserProblem(const xmlParserCtxt& context)
{
    const xmlError& error = context.lastError;
    std::string message = error.message != nullptr ? error.message : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    for (char& c : message) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return NotWellFormedReason(error.line, error.int2, message);
}

XmlDocument::LoadStatus Finish(const xmlParserCtxt& context, XmlDocument::Owned doc, XmlDocument::Owned& target,
                               std::string& problem)
{
    const bool wellFormed = doc && context.wellFormed != 0 && context.nsWellFormed != 0;
    xmlNode* root = wellFormed ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (root == nullptr) {
        problem = ParserProblem(context);
        return XmlDocument::LoadStatus::NotWellFormed;
    }
    if (!EntityReferenceCheck(doc.get()).Acceptable(XmlNode(root))) {
        problem = EntityReason();
        return XmlDocument::LoadStatus::NotWellFormed;
    }
    StripBlankText(root);
    target = std::move(doc);
    return XmlDocument::LoadStatus::Ok;
}

}  // namespace

XmlDocument::LoadStatus XmlDocument::Load(const std::string& path)
{
    InitializeLibrary();
    SilenceThisThread();
    doc_.reset();
    problem_.clear();
    FileSource source;
    if (!source.file.Open(path)) {
        problem_ = ReadFailureReason(source.file.OpenFailure());
        return LoadStatus::Unreadable;
    }
    if (source.file.Size() > kMaxNotificationBytes) {
        problem_ = TooLargeReason(source.file.Size(), kMaxNotificationBytes);
        return LoadStatus::NotWellFormed;
    }
    const XmlParser context{xmlNewParserCtxt()};
    if (!context) {
        throw std::bad_alloc();
    }
    Owned doc{xmlCtxtReadIO(context.get(), ReadCallback, nullptr, &source, nullptr, nullptr, kParseOptions)};
    if (source.error != 0) {
        problem_ = ReadFailureReason(SystemErrorText(source.error));
        return LoadStatus::Unreadable;
    }
    return Finish(*context, std::move(doc), doc_, problem_);
}

XmlDocument::LoadStatus XmlDocument::LoadFromMemory(std::string_view bytes)
{
    InitializeLibrary();
    SilenceThisThread();
    doc_.reset();
    problem_.clear();
    if (bytes.size() > static_cast<std::size_t>(kMaxNotificationBytes)) {
        problem_ = TooLargeReason(static_cast<std::int64_t>(bytes.size()), kMaxNotificationBytes);
        return LoadStatus::NotWellFormed;
    }
    const XmlParser context{xmlNewParserCtxt()};
    if (!context) {
        throw std::bad_alloc();
    }
    Owned doc{xmlCtxtReadMemory(context.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                kParseOptions)};
    return Finish(*context, std::move(doc), doc_, problem_);
}

XmlNode XmlDocument::Root() const
{
    return XmlNode(doc_ ? xmlDocGetRootElement(doc_.get()) : nullptr);
}

int XmlDocument::ParseOptions()
{
    return kParseOptions;
}

void XmlDocument::SilenceThisThread()
{
    tenvor::SilenceThisThread();
}

void XmlNode::DropBlankText() const
{
    StripBlankText(node_);
}

bool XmlNode::IsBlankText() const
{
    return tenvor::IsBlankText(node_);
}

namespace {

// The parse that only judges: the document's content builds nothing, while the document type
// declaration and the text of internal entities are built as a load builds them, so that the
// parser meets exactly the same errors in the same order.
thread_local xmlParserCtxt* tJudgedContext = nullptr;

bool BuildsNothing(void* context)
{
    return context == tJudgedContext;
}

void JudgeStartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri, int nbNamespaces,
                       const xmlChar** namespaces, int nbAttributes, int nbDefaulted, const xmlChar** attributes)
{
    if (!BuildsNothing(ctx)) {
        xmlSAX2StartElementNs(ctx, localname, prefix, uri, nbNamespaces, namespaces, nbAttributes, nbDefaulted,
                              attributes);
    }
}

void JudgeEndElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
{
    if (!BuildsNothing(ctx)) {
        xmlSAX2EndElementNs(ctx, localname, prefix, uri);
    }
}

void JudgeCharacters(void* ctx, const xmlChar* text, int length)
{
    if (!BuildsNothing(ctx)) {
        xmlSAX2Characters(ctx, text, length);
    }
}

void JudgeCData(void* ctx, const xmlChar* text, int length)
{
    if (!BuildsNothing(ctx)) {
        xmlSAX2CDataBlock(ctx, text, length);
    }
}

void JudgeComment(void* ctx, const xmlChar* text)
{
    if (!BuildsNothing(ctx)) {
        xmlSAX2Comment(ctx, text);
    }
}

void JudgeInstruction(void* ctx, const xmlChar* target, const xmlChar* data)
{
    if (!BuildsNothing(ctx)) {
        xmlSAX2ProcessingInstruction(ctx, target, data);
    }
}

void JudgeReference(void* ctx, const xmlChar* name)
{
    if (!BuildsNothing(ctx)) {
        xmlSAX2Reference(ctx, name);
    }
}

struct SourceCall {
    const XmlByteSource* source;
};

int SourceCallback(void* context, char* buffer, int length)
{
    return (*static_cast<SourceCall*>(context)->source)(buffer, length);
}

}  // namespace

XmlDocument::LoadStatus XmlDocument::Diagnose(const XmlByteSource& source, std::string& problem)
{
    InitializeLibrary();
    SilenceThisThread();
    const XmlParser context{xmlNewParserCtxt()};
    if (!context) {
        throw std::bad_alloc();
    }
    xmlSAXHandler* sax = context->sax;
    sax->startElementNs = JudgeStartElement;
    sax->endElementNs = JudgeEndElement;
    sax->characters = JudgeCharacters;
    sax->cdataBlock = JudgeCData;
    sax->comment = JudgeComment;
    sax->processingInstruction = JudgeInstruction;
    sax->reference = JudgeReference;
    tJudgedContext = context.get();
    SourceCall call{&source};
    const Owned doc{xmlCtxtReadIO(context.get(), SourceCallback, nullptr, &call, nullptr, nullptr, kParseOptions)};
    tJudgedContext = nullptr;
    if (doc && context->wellFormed != 0 && context->nsWellFormed != 0) {
        return LoadStatus::Ok;
    }
    problem = ParserProblem(*context);
    return LoadStatus::NotWellFormed;
}

}  // namespace tenvor
