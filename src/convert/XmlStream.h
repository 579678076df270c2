// A document read as a stream with libxml2's reader: node by node in document order, with the
// same safe options as a load. Only the nodes around the current one are held; an element can
// be expanded into its subtree, which goes again once the reader moves past it. Any error the
// parser raises (a well-formedness or namespace error, a failed read) marks the stream faulty.
#pragma once

#include <memory>
#include <string>

#include "convert/XmlDocument.h"

struct _xmlTextReader;
struct _xmlError;

namespace tenvor {

class XmlStream {
public:
    // The node types met (libxml2's reader types).
    enum class NodeType { Element, EndElement, Text, CData, EntityReference, Other };

    // Reads from source, which must stay valid while the stream lives.
    explicit XmlStream(const XmlByteSource& source);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // Moves to the next node: true while there is one, false at the end or on an error.
    bool Read();
    // Moves past the current node's subtree: true while there is a node.
    bool Next();
    // The current node's subtree, complete, or an empty node on an error.
    XmlNode Expand();

    NodeType Type() const;
    int Depth() const;
    bool IsEmptyElement() const;
    XmlNode Node() const;
    _xmlDoc* Document() const;

    // Whether the parser raised an error (or the reader failed) so far.
    bool Faulty() const { return faulty_; }
    // The reader's own words for its last error, for when the judging parse finds none.
    const std::string& LastProblem() const { return lastProblem_; }

private:
    static void OnError(void* self, _xmlError* error);

    struct ReaderFree {
        void operator()(_xmlTextReader* reader) const;
    };
    std::unique_ptr<_xmlTextReader, ReaderFree> reader_;
    bool faulty_ = false;
    std::string lastProblem_;
};

}  // namespace tenvor
