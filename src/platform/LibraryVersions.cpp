#include "platform/LibraryVersions.h"

#include <libxml/parser.h>
#include <zip.h>

#include <cstddef>

namespace tenvor {
namespace {

// libxml2 reports its version as one number, major * 10000 + minor * 100 + patch ("20914"),
// possibly followed by a suffix of the build ("20914-GITv2.9.14"): the number becomes "2.9.14".
// A text of any other shape is given as it is.
std::string DottedLibxml2Version(std::string_view reported)
{
    std::size_t digits = 0;
    while (digits < reported.size() && reported[digits] >= '0' && reported[digits] <= '9') {
        ++digits;
    }
    if (digits < 5) {
        return std::string(reported);
    }
    const auto number = [&](std::size_t begin, std::size_t length) {
        std::size_t value = 0;
        for (std::size_t i = begin; i < begin + length; ++i) {
            value = value * 10 + static_cast<std::size_t>(reported[i] - '0');
        }
        return std::to_string(value);
    };
    return number(0, digits - 4) + "." + number(digits - 4, 2) + "." + number(digits - 2, 2);
}

std::string TextOrUnknown(const char* text)
{
    return text != nullptr ? std::string(text) : std::string("unknown");
}

}  // namespace

std::vector<LibraryVersion> LibraryVersions()
{
    return {
        {"libxml2", DottedLibxml2Version(TextOrUnknown(xmlParserVersion))},
        {"libzip", TextOrUnknown(zip_libzip_version())},
    };
}

std::string VersionText(std::string_view firstLine, const std::vector<LibraryVersion>& libraries)
{
    std::string text(firstLine);
    for (const LibraryVersion& library : libraries) {
        text += "\n" + library.name + " " + library.version;
    }
    return text;
}

}  // namespace tenvor
