#include "convert/CsvRendering.h"

#include "platform/TextCodec.h"

namespace tenvor {

namespace {

bool NeedsQuoting(std::string_view value)
{
    // One pass over the value (find_first_of searches the four characters for each of its bytes).
    for (const char c : value) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            return true;
        }
    }
    return false;
}

// The values joined with commas, each quoted where it must be, and the line's "\n".
void AppendLine(std::string& line, const std::vector<std::string>& values)
{
    line.clear();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        if (NeedsQuoting(values[i])) {
            line += QuoteCsvField(values[i]);
        } else {
            line += values[i];
        }
    }
    line += '\n';
}

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

std::string QuoteCsvField(std::string_view value)
{
    if (!NeedsQuoting(value)) {
        return std::string(value);
    }
    std::string quoted;
    quoted.reserve(value.size() + 8);
    quoted += '"';
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"') {
            quoted += "\"\"";
        } else if (c == '\r') {
            // CR LF and a lone CR are both one line break.
            quoted += '\n';
            if (i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

namespace {

// Pieces handed to the sink.
constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

}  // namespace

CsvWrite WriteCsv(const StXmlInfo& stXmlInfo, OutputEncoding encoding,
                  const std::function<bool(std::string_view)>& sink, ReplacedCharacters* replaced)
{
    std::string bytes;
    bytes.reserve(kPieceBytes + 1024);
    bool sinkOk = true;
    auto flush = [&] {
        if (sinkOk && !bytes.empty()) {
            sinkOk = sink(bytes);
        }
        bytes.clear();
    };
    const bool utf8 = encoding == OutputEncoding::Utf8;
    if (utf8) {
        bytes += kUtf8ByteOrderMark;
    }
    auto append = [&](std::string_view piece) {
        if (utf8) {
            bytes += piece;
        } else {
            AppendCp932(bytes, piece, replaced);
        }
        if (bytes.size() >= kPieceBytes) {
            flush();
        }
    };
    std::string line = stXmlInfo.styleNum;
    line += '\n';
    AppendLines(line, append);
    AppendLines("[kanri]\n", append);
    AppendLine(line, stXmlInfo.commonData);
    AppendLines(line, append);
    AppendLines("[data]\n", append);
    const bool read = stXmlInfo.insuredData.ForEach([&](const std::vector<std::string>& person) {
        if (sinkOk) {
            AppendLine(line, person);
            AppendLines(line, append);
        }
    });
    flush();
    if (!sinkOk) {
        return CsvWrite::SinkFailed;
    }
    return read ? CsvWrite::Done : CsvWrite::RecordsUnreadable;
}

std::string RenderCsv(const StXmlInfo& stXmlInfo, OutputEncoding encoding, ReplacedCharacters* replaced)
{
    std::string bytes;
    static_cast<void>(WriteCsv(
        stXmlInfo, encoding,
        [&](std::string_view piece) {
            bytes += piece;
            return true;
        },
        replaced));
    return bytes;
}

}  // namespace tenvor
