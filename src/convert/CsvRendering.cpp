#include "convert/CsvRendering.h"

#include <string_view>

#include "platform/TextCodec.h"

namespace tenvor {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Appends text with every "\n" written as CR LF, as a text-mode stream does.
template <typename AppendFn>
void AppendLines(std::string_view text, AppendFn&& append)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        if (newline == std::string_view::npos) {
            append(text.substr(start));
            return;
        }
        append(text.substr(start, newline - start));
        append("\r\n");
        start = newline + 1;
    }
}

}  // namespace

std::string RenderCsv(const StXmlInfo& stXmlInfo, OutputEncoding encoding)
{
    std::size_t size = stXmlInfo.styleNum.size() + stXmlInfo.commonData.size() + 32;
    for (const std::string& line : stXmlInfo.insuredData) {
        size += line.size() + 1;
    }
    std::string bytes;
    bytes.reserve(size);
    const bool utf8 = encoding == OutputEncoding::Utf8;
    if (utf8) {
        bytes += kUtf8Bom;
    }
    auto append = [&](std::string_view piece) {
        if (utf8) {
            bytes += piece;
        } else {
            AppendCp932(bytes, piece);
        }
    };
    AppendLines(stXmlInfo.styleNum, append);
    AppendLines("[kanri]\n", append);
    AppendLines(stXmlInfo.commonData, append);
    AppendLines("[data]\n", append);
    for (const std::string& line : stXmlInfo.insuredData) {
        AppendLines(line, append);
    }
    return bytes;
}

}  // namespace tenvor
