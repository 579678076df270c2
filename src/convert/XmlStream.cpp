#include "convert/XmlStream.h"

#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>

#include <new>

#include "diag/FailureReasons.h"

namespace tenvor {

namespace {

int ReadCallback(void* context, char* buffer, int length)
{
    return (*static_cast<const XmlByteSource*>(context))(buffer, length);
}

int CloseCallback(void* /*context*/)
{
    return 0;
}

}  // namespace

void XmlStream::ReaderFree::operator()(_xmlTextReader* reader) const
{
    xmlFreeTextReader(reader);
}

XmlStream::XmlStream(const XmlByteSource& source)
{
    XmlDocument::InitializeLibrary();
    XmlDocument::SilenceThisThread();
    reader_.reset(xmlReaderForIO(ReadCallback, CloseCallback, const_cast<XmlByteSource*>(&source), nullptr, nullptr,
                                 XmlDocument::ParseOptions()));
    if (!reader_) {
        throw std::bad_alloc();
    }
    xmlTextReaderSetStructuredErrorHandler(reader_.get(), reinterpret_cast<xmlStructuredErrorFunc>(OnError), this);
}

XmlStream::~XmlStream() = default;

void XmlStream::OnError(void* self, _xmlError* error)
{
    auto* stream = static_cast<XmlStream*>(self);
    if (error == nullptr || error->level < XML_ERR_ERROR) {
        return;  // a warning is no fault
    }
    stream->faulty_ = true;
    std::string message = error->message != nullptr ? error->message : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    for (char& c : message) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    stream->lastProblem_ = NotWellFormedReason(error->line, error->int2, message);
}

bool XmlStream::Read()
{
    const int result = xmlTextReaderRead(reader_.get());
    if (result < 0) {
        faulty_ = true;
    }
    return result == 1;
}

bool XmlStream::Next()
{
    const int result = xmlTextReaderNext(reader_.get());
    if (result < 0) {
        faulty_ = true;
    }
    return result == 1;
}

XmlNode XmlStream::Expand()
{
    xmlNodePtr node = xmlTextReaderExpand(reader_.get());
    if (node == nullptr) {
        faulty_ = true;
    }
    return XmlNode(node);
}

XmlStream::NodeType XmlStream::Type() const
{
    switch (xmlTextReaderNodeType(reader_.get())) {
        case XML_READER_TYPE_ELEMENT:
            return NodeType::Element;
        case XML_READER_TYPE_END_ELEMENT:
            return NodeType::EndElement;
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
            return NodeType::Text;
        case XML_READER_TYPE_CDATA:
            return NodeType::CData;
        case XML_READER_TYPE_ENTITY_REFERENCE:
            return NodeType::EntityReference;
        default:
            return NodeType::Other;
    }
}

int XmlStream::Depth() const
{
    return xmlTextReaderDepth(reader_.get());
}

bool XmlStream::IsEmptyElement() const
{
    return xmlTextReaderIsEmptyElement(reader_.get()) == 1;
}

XmlNode XmlStream::Node() const
{
    return XmlNode(xmlTextReaderCurrentNode(reader_.get()));
}

_xmlDoc* XmlStream::Document() const
{
    // Taken from the node: asking the reader for its document would keep it from freeing it.
    const xmlNodePtr node = xmlTextReaderCurrentNode(reader_.get());
    return node != nullptr ? node->doc : nullptr;
}

}  // namespace tenvor
