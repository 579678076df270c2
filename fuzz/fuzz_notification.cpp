// Fuzz target: arbitrary bytes as the contents of a notification file, read the way a run reads
// it (loading through the file, the form check, the flattening of the common data and of every
// person record) and, when the file is accepted, rendered as a CSV file in both encodings.
//
// Besides the sanitizers' findings it stops on results that break the conversion's rules:
//  - reading a readable file fails with kind 1 or succeeds, never anything else;
//  - loading from the file and loading the same bytes from memory agree;
//  - the file's result (a plain notification is read without a tree) is the streamed walk's:
//    the same record, or the same failure;
//  - an accepted record is complete: the form id line, the common line, at least one person
//    line, each ended by one line feed;
//  - the UTF-8 CSV, read back as RFC 4180, has the form id, "[kanri]", the common fields,
//    "[data]" and one record per person, each with exactly as many fields as its list defines;
//  - the output grows at most linearly with the input (no entity amplification).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MemoryFile.h"
#include "convert/CsvRendering.h"
#include "convert/NotificationLoader.h"
#include "convert/XmlDocument.h"
#include "forms/FormCatalogue.h"

namespace {

using tenvor::StXmlInfo;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz_notification: %s\n", what);
    std::abort();
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        Fail(what);
    }
}

// The reading and the rendering as a run does them, without a window or a log.
struct Harness {
    tenvor::FormCatalogue forms;
    tenvor::NotificationLoader loader{forms};
    tenvor::fuzz::MemoryFile file{"notification.xml"};
};

// Splits RFC 4180 text (records ended by CR LF) into records of fields.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text)
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            Check(field.empty(), "quote inside an unquoted field");
            ++i;
            for (;;) {
                Check(i < text.size(), "unterminated quoted field");
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            Check(i == text.size() || text[i] == ',' || text[i] == '\r', "text after a closing quote");
            continue;
        }
        if (text[i] == ',') {
            record.push_back(std::move(field));
            field.clear();
            ++i;
            continue;
        }
        if (text[i] == '\r') {
            Check(i + 1 < text.size() && text[i + 1] == '\n', "CR without LF outside quotes");
            record.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record.clear();
            i += 2;
            continue;
        }
        Check(text[i] != '\n', "LF without CR outside quotes");
        field += text[i++];
    }
    Check(field.empty() && record.empty(), "last record not ended by CR LF");
    return records;
}

// An empty line is the record of an empty list, or of a list of one field with an empty value.
bool FieldsMatch(const std::vector<std::string>& record, std::size_t definitions)
{
    if (record.size() == 1 && record[0].empty()) {
        return definitions <= 1;
    }
    return record.size() == definitions;
}

void CheckAccepted(Harness& h, const StXmlInfo& record, std::size_t inputSize)
{
    Check(record.errorFlag == 0, "accepted record marked as failed");
    Check(record.styleNum.size() == 8, "form id malformed");
    const std::string formId = record.styleNum;
    const tenvor::FormEntry* form = h.forms.Find(formId);
    Check(form != nullptr, "accepted an unsupported form");
    Check(!record.insuredData.Empty(), "accepted without a person record");
    Check(!form->singleRecord || record.insuredData.Size() == 1, "single-record form with several records");
    Check(record.commonData.size() ==
              (form->singleRecord ? 0 : static_cast<std::size_t>(form->lists[tenvor::kCommonList]->Size())),
          "common values do not match the common list");
    Check(record.insuredData.ForEach([&](const std::vector<std::string>& person) {
        Check(person.size() == static_cast<std::size_t>(form->lists[tenvor::kInsuredList]->Size()),
              "person values do not match the insured list");
    }),
          "person records not read back");

    const std::string utf8 = tenvor::RenderCsv(record, tenvor::OutputEncoding::Utf8);
    const std::string sjis = tenvor::RenderCsv(record, tenvor::OutputEncoding::ShiftJis);
    // Linear growth: at most a few bytes out per byte in (encodings, escaping, quoting), plus
    // the text that entity references may add.
    const std::size_t bound = 64 * inputSize + 2 * 10'000'000 + 4096;
    Check(utf8.size() <= bound && sjis.size() <= bound, "output out of proportion to the input");

    Check(utf8.compare(0, 3, "\xEF\xBB\xBF") == 0, "UTF-8 file without byte-order mark");
    const auto records = ParseCsv(std::string_view(utf8).substr(3));
    Check(records.size() == 4 + record.insuredData.Size(), "wrong number of CSV records");
    Check(records[0].size() == 1 && records[0][0] == formId, "first record is not the form id");
    Check(records[1].size() == 1 && records[1][0] == "[kanri]", "second record is not [kanri]");
    Check(records[3].size() == 1 && records[3][0] == "[data]", "fourth record is not [data]");
    const std::size_t commonCount =
        form->singleRecord ? 0 : static_cast<std::size_t>(form->lists[tenvor::kCommonList]->Size());
    Check(FieldsMatch(records[2], commonCount), "common record has the wrong number of fields");
    const auto insuredCount = static_cast<std::size_t>(form->lists[tenvor::kInsuredList]->Size());
    for (std::size_t i = 4; i < records.size(); ++i) {
        Check(FieldsMatch(records[i], insuredCount), "person record has the wrong number of fields");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Harness harness;
    harness.file.SetContents(data, size);

    const tenvor::LoadResult loaded = harness.loader.Load(harness.file.Path(), nullptr);
    Check(loaded || loaded.error().kind == tenvor::ErrorKind::FormatNotSupported,
          "a readable file failed with a kind other than 1");

    tenvor::XmlDocument fromMemory;
    const auto status = fromMemory.LoadFromMemory(std::string_view(reinterpret_cast<const char*>(data), size));
    tenvor::XmlDocument fromFile;
    const auto fileStatus = fromFile.Load(harness.file.Path());
    Check(status == fileStatus, "loading from the file and from memory disagree");

    bool reasonWanted = false;
    std::size_t at = 0;
    const tenvor::LoadResult walked = harness.loader.LoadFromStream(
        [&](char* buffer, int length) {
            const std::size_t count = std::min(size - at, static_cast<std::size_t>(length));
            std::memcpy(buffer, data + at, count);
            at += count;
            return static_cast<int>(count);
        },
        reasonWanted);
    Check(loaded.has_value() == walked.has_value(), "the plain reading and the streamed walk disagree on acceptance");
    if (loaded) {
        Check(loaded->styleNum == walked->styleNum && loaded->commonData == walked->commonData &&
                  loaded->insuredData.All() == walked->insuredData.All(),
              "the plain reading and the streamed walk read different values");
    } else if (!reasonWanted) {
        Check(loaded.error() == walked.error(), "the plain reading and the streamed walk fail differently");
    }
    if (loaded) {
        Check(fileStatus == tenvor::XmlDocument::LoadStatus::Ok, "accepted a document that does not load");
        CheckAccepted(harness, *loaded, size);
    }
    return 0;
}
