// tenvor-bench-parse: the parse floor of the benchmark. Parses each file named in a list (one
// path a line; "-" reads the list from standard input) with libxml2 as `xmllint --noout` does:
// xmlReadFile with xmllint's default options, then xmlFreeDoc, all in one process. Like the
// converter, it reads a document declared as Shift_JIS in the Windows code page CP932, of which
// Shift_JIS is the subset; plain xmllint stops at the first character outside that subset, so it
// parses only the beginning of such files. --plain leaves that out and parses as xmllint does.
// --read only reads every file to its end into one reused buffer: the read floor without the
// per-file buffer that cat maps and unmaps for each file.
// Prints the number of files and of files that did not parse (or could not be read).
#include <fcntl.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

enum class Mode { Parse, PlainParse, Read };

void IgnoreMessage(void* /*ctx*/, const char* /*msg*/, ...) {}

// Reads the whole file; false when it cannot be opened or read.
bool ReadWhole(const std::string& path, std::vector<char>& buffer, long long& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            bytes += got;
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}

int Run(std::istream& list, Mode mode)
{
    // xmllint's defaults: compact text nodes and line numbers beyond 65535.
    constexpr int kOptions = XML_PARSE_COMPACT | XML_PARSE_BIG_LINES;
    long files = 0;
    long failed = 0;
    long long bytes = 0;
    std::vector<char> buffer(std::size_t{1} << 16);
    std::string path;
    while (std::getline(list, path)) {
        if (path.empty()) {
            continue;
        }
        ++files;
        if (mode == Mode::Read) {
            failed += ReadWhole(path, buffer, bytes) ? 0 : 1;
            continue;
        }
        xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, kOptions);
        if (doc == nullptr) {
            ++failed;
            continue;
        }
        xmlFreeDoc(doc);
    }
    if (mode == Mode::Read) {
        std::fprintf(stderr, "%ld files read (%lld bytes), %ld unreadable\n", files, bytes, failed);
    } else {
        std::fprintf(stderr, "%ld files parsed, %ld not well-formed or unreadable\n", files, failed);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Mode mode = Mode::Parse;
    if (argc == 3 && std::string(argv[1]) == "--plain") {
        mode = Mode::PlainParse;
    } else if (argc == 3 && std::string(argv[1]) == "--read") {
        mode = Mode::Read;
    } else if (argc != 2) {
        std::fprintf(stderr, "usage: tenvor-bench-parse [--plain|--read] LIST|-\n");
        return 2;
    }
    LIBXML_TEST_VERSION
    if (mode == Mode::Parse) {
        // The converter's spellings of Shift_JIS (src/convert/XmlDocument.cpp).
        for (const char* alias : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI", "CSSHIFTJIS", "X-SJIS"}) {
            xmlAddEncodingAlias("CP932", alias);
        }
    }
    // xmllint prints the errors of broken files; the floor leaves that out (a few per cent of
    // the files), so that it measures parsing alone.
    xmlSetGenericErrorFunc(nullptr, IgnoreMessage);
    const std::string name = argv[argc - 1];
    int status;
    if (name == "-") {
        status = Run(std::cin, mode);
    } else {
        std::ifstream list(name);
        if (!list) {
            std::fprintf(stderr, "tenvor-bench-parse: cannot read %s\n", name.c_str());
            return 2;
        }
        status = Run(list, mode);
    }
    xmlCleanupParser();
    return status;
}
