#include "forms/FormFile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/TextCodec.h"
#include "shared/OneLineText.h"

namespace tenvor {

namespace {

constexpr std::string_view kFormWord = "form";
constexpr std::string_view kSingleWord = "single";
constexpr std::string_view kRecordsWord = "records";
constexpr std::array<std::string_view, 2> kListNames = {"common", "insured"};  // kCommonList, kInsuredList
// Positions and byte lengths have at most this many digits: far more than any form needs, and
// never more than an int holds.
constexpr std::size_t kMaxDigits = 9;

Unexpected<FormFileProblem> Problem(FormFileFault fault, int line, std::string text)
{
    return Unexpected{FormFileProblem{fault, line, std::move(text), {}}};
}

std::vector<std::string_view> SplitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

// A number of decimal digits only, no sign, at most kMaxDigits of them.
std::optional<int> Number(std::string_view text)
{
    if (text.empty() || text.size() > kMaxDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// An element name: not empty, without blanks or control characters (which no element name
// holds, and which would break the one line "tenvor-cli forms ID" prints per definition).
bool IsElementName(std::string_view name)
{
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
    });
}

bool IsBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The line number of the first byte that is not part of valid UTF-8, or 0 when all of it is.
int FirstLineNotUtf8(std::string_view text)
{
    int line = 1;
    for (std::size_t i = 0; i < text.size();) {
        char32_t character = 0;
        const std::size_t length = DecodeUtf8(text, i, character);
        if (length == 0) {
            return line;
        }
        if (character == U'\n') {
            ++line;
        }
        i += length;
    }
    return 0;
}

struct Definition {
    int position = 0;
    int line = 0;
    StDataDif field;
};

// The list's definitions in position order, or the gap in its positions (which are distinct).
Expected<DataDifList, FormFileProblem> InPositionOrder(std::vector<Definition> definitions, std::string_view listName)
{
    std::sort(definitions.begin(), definitions.end(),
              [](const Definition& a, const Definition& b) { return a.position < b.position; });
    DataDifList list;
    list.reserve(definitions.size());
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const int expected = static_cast<int>(i) + 1;
        if (definitions[i].position != expected) {
            // The first line after the gap is the one to look at.
            return Problem(FormFileFault::PositionMissing, definitions[i].line,
                           std::string(listName) + "の位置" + std::to_string(expected) + "がありません。");
        }
        list.push_back(std::move(definitions[i].field));
    }
    return list;
}

}  // namespace

std::string DescribeFormFileProblem(const FormFileProblem& problem)
{
    std::string text = OneLineText(problem.path);
    if (problem.line > 0) {
        text += "(" + std::to_string(problem.line) + "行目)";
    }
    return text + ": " + problem.text;
}

Expected<FormDefinition, FormFileProblem> ParseFormFile(std::string_view text, std::string_view fileId)
{
    if (const int line = FirstLineNotUtf8(text); line > 0) {
        return Problem(FormFileFault::NotUtf8, line, "UTF-8ではないバイトがあります。");
    }
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }

    FormDefinition form;
    bool formLineSeen = false;
    int formLine = 0;
    std::array<std::vector<Definition>, 2> definitions;
    std::array<std::set<int>, 2> positions;
    std::array<std::unordered_map<std::string_view, int>, 2> names;  // views into text
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (IsBlank(line) || line.front() == '#') {
            continue;
        }
        const std::vector<std::string_view> fields = SplitTabs(line);
        if (!formLineSeen) {
            if (fields.size() != 3 || fields[0] != kFormWord || !HasFormIdShape(fields[1]) ||
                (fields[2] != kSingleWord && fields[2] != kRecordsWord)) {
                return Problem(FormFileFault::FormLine, lineNumber,
                               "最初の行は「form」、様式ID、「single」または「records」をタブで区切った行です。");
            }
            if (fields[1] != fileId) {
                return Problem(FormFileFault::IdMismatch, lineNumber,
                               "様式IDがファイル名の" + std::string(fileId) + "と一致しません。");
            }
            form.id = std::string(fields[1]);
            form.singleRecord = fields[2] == kSingleWord;
            formLineSeen = true;
            formLine = lineNumber;
            continue;
        }
        if (fields.size() != 4) {
            return Problem(FormFileFault::LineShape, lineNumber,
                           "定義の行は「common」または「insured」、位置、要素名、バイト数をタブで区切った4項目です。");
        }
        const auto listName = std::find(kListNames.begin(), kListNames.end(), fields[0]);
        if (listName == kListNames.end()) {
            return Problem(FormFileFault::LineShape, lineNumber, "1項目めが「common」でも「insured」でもありません。");
        }
        const auto list = static_cast<std::size_t>(listName - kListNames.begin());
        const std::optional<int> position = Number(fields[1]);
        if (!position || *position < 1) {
            return Problem(FormFileFault::LineShape, lineNumber, "位置が1以上の数ではありません。");
        }
        if (!IsElementName(fields[2])) {
            return Problem(FormFileFault::LineShape, lineNumber, "要素名が空か、空白や制御文字を含みます。");
        }
        const std::optional<int> bytes = Number(fields[3]);
        if (!bytes) {
            return Problem(FormFileFault::LineShape, lineNumber, "バイト数が数ではありません。");
        }
        if (form.singleRecord && list == kCommonList) {
            return Problem(FormFileFault::CommonInSingle, lineNumber,
                           "singleの様式にはcommonの定義を書けません(insuredだけです)。");
        }
        if (!positions[list].insert(*position).second) {
            return Problem(FormFileFault::PositionRepeated, lineNumber,
                           std::string(*listName) + "の位置" + std::to_string(*position) + "が重複しています。");
        }
        if (const auto [earlier, added] = names[list].try_emplace(fields[2], lineNumber); !added) {
            return Problem(
                FormFileFault::NameRepeated, lineNumber,
                std::string(*listName) + "の要素名が" + std::to_string(earlier->second) + "行目と重複しています。");
        }
        definitions[list].push_back(Definition{*position, lineNumber, StDataDif{std::string(fields[2]), *bytes}});
    }
    if (!formLineSeen) {
        return Problem(FormFileFault::FormLine, 0, "「form」の行がありません。");
    }
    for (const int list : {kCommonList, kInsuredList}) {
        const auto index = static_cast<std::size_t>(list);
        Expected<DataDifList, FormFileProblem> ordered =
            InPositionOrder(std::move(definitions[index]), kListNames[index]);
        if (!ordered) {
            return Unexpected{ordered.error()};
        }
        (list == kCommonList ? form.commonList : form.insuredList) = std::move(*ordered);
    }
    if (form.insuredList.empty()) {
        return Problem(FormFileFault::NoInsured, formLine, "insuredの定義がありません。");
    }
    return form;
}

std::string FormFileText(const FormDefinition& form)
{
    std::string text = std::string(kFormWord) + "\t" + form.id + "\t" +
                       std::string(form.singleRecord ? kSingleWord : kRecordsWord) + "\n";
    for (const int list : {kCommonList, kInsuredList}) {
        const DataDifList& definitions = list == kCommonList ? form.commonList : form.insuredList;
        int position = 0;
        for (const StDataDif& definition : definitions) {
            text += std::string(kListNames[static_cast<std::size_t>(list)]) + "\t" + std::to_string(++position) + "\t" +
                    definition.sNodename + "\t" + std::to_string(definition.iBytes) + "\n";
        }
    }
    return text;
}

}  // namespace tenvor
