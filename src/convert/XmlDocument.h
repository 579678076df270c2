// A thin, safe layer over libxml2's document object model: loading a notification from a path
// with the load failures told apart, and the few node operations the conversion needs.
// White-space-only text nodes are insignificant and skipped everywhere.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

struct _xmlDoc;
struct _xmlNode;
struct _xmlEntity;

namespace tenvor {

// One node of a loaded document; a cheap handle that is valid while its document lives.
class XmlNode {
public:
    XmlNode() = default;
    explicit XmlNode(_xmlNode* node) : node_(node) {}

    explicit operator bool() const { return node_ != nullptr; }
    bool IsElement() const;
    bool IsCData() const;
    bool IsComment() const;
    bool IsProcessingInstruction() const;

    // The element's name as written, a namespace prefix included ("p:name"); empty for every
    // node that is not an element, so that such a node never matches a field name.
    std::string_view ElementName(std::string& scratch) const;

    // Significant children in document order.
    XmlNode FirstChild() const;
    XmlNode NextSibling() const;
    int ChildCount() const;

    // The concatenated character data of all descendants, references resolved.
    std::string InnerText() const;
    // The content serialised back to XML.
    std::string InnerMarkup() const;
    // True when every significant child is character data (text, CDATA or an entity reference).
    bool HasOnlyCharacterData() const;

    // Every descendant element of that name, in document order, calling fn(XmlNode) for each
    // until it returns false.
    template <typename Fn>
    void ForEachDescendant(std::string_view name, Fn&& fn) const;

    // Removes the insignificant white space below the node, as loading does.
    void DropBlankText() const;
    // True for a text node of nothing but white space, which is insignificant.
    bool IsBlankText() const;

    _xmlNode* Raw() const { return node_; }

private:
    XmlNode NextElementInDocumentOrder(_xmlNode* top) const;
    _xmlNode* node_ = nullptr;
};

// What reads a document's bytes: fills the buffer and returns how many bytes it put there, 0 at
// the end, -1 on an error.
using XmlByteSource = std::function<int(char* buffer, int length)>;

class XmlDocument {
public:
    enum class LoadStatus {
        Ok,
        NotWellFormed,  // parsed, but not a well-formed (namespace-well-formed) document
        Unreadable,     // missing, not a regular file, no access, or an I/O error while reading
    };

    struct DocFree {
        void operator()(_xmlDoc* doc) const;
    };
    using Owned = std::unique_ptr<_xmlDoc, DocFree>;

    // Call once, before any document is loaded and before any thread parses: registers the
    // Windows spellings of Shift_JIS as CP932 and turns off every network and external load.
    static void InitializeLibrary();
    // Keeps libxml2's messages on this thread from reaching standard error.
    static void SilenceThisThread();

    // Loads the document; insignificant white space is dropped. Throws std::bad_alloc when
    // memory runs out.
    LoadStatus Load(const std::string& path);
    LoadStatus LoadFromMemory(std::string_view bytes);
    // After a failed load: why, as the error record's reason.
    const std::string& Problem() const { return problem_; }

    XmlNode Root() const;

    // The parser's verdict on a document without building it, for a document the streaming reader
    // found faulty: NotWellFormed and the first complaint exactly as Load gives it, or Ok when this
    // parser finds nothing (then problem is left alone).
    static LoadStatus Diagnose(const XmlByteSource& source, std::string& problem);

    // libxml2's parse options for notifications (no network, no entity substitution, no DTD
    // loading, the parser's limits kept, insignificant white space dropped).
    static int ParseOptions();

private:
    Owned doc_;
    std::string problem_;
};

// The entity references of a document, checked as they are met: each must resolve from the
// document itself, and all together to no more text than the parser allows in a text node.
class EntityReferenceCheck {
public:
    explicit EntityReferenceCheck(_xmlDoc* doc);

    // Every reference below root (in element content).
    bool Acceptable(XmlNode root);
    // One more reference, or every one below an element; false once the references are not
    // acceptable.
    bool AddReference(XmlNode reference);
    bool AddReferencesBelow(XmlNode top);

private:
    bool Add(_xmlNode* reference, std::size_t& total, int nesting);
    bool AddText(_xmlNode* node, std::size_t& total, int nesting);
    bool Checked() const;

    _xmlDoc* doc_;
    std::size_t total_ = 0;
    bool failed_ = false;
    std::unordered_map<const _xmlEntity*, std::size_t> sizes_;  // text of one reference to each
    std::unordered_set<const _xmlEntity*> open_;
};

template <typename Fn>
void XmlNode::ForEachDescendant(std::string_view name, Fn&& fn) const
{
    std::string scratch;
    for (XmlNode node = NextElementInDocumentOrder(node_); node; node = node.NextElementInDocumentOrder(node_)) {
        if (node.ElementName(scratch) == name && !fn(node)) {
            return;
        }
    }
}

}  // namespace tenvor
