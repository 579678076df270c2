#include "NotificationGenerator.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "forms/FormCatalogue.h"
#ifdef _WIN32
#include "platform/TextCodec.h"
#endif

namespace tenvor::gen {

namespace {

constexpr std::string_view kInsured = "_被保険者";

// A small deterministic generator, the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 0x2545F4914F6CDD1DULL) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int Below(int bound) { return bound <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    double Fraction() { return static_cast<double>(Next() >> 11) / static_cast<double>(1ULL << 53); }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items)
    {
        return items[static_cast<std::size_t>(Below(static_cast<int>(N)))];
    }

private:
    std::uint64_t state_;
};

constexpr std::array<std::string_view, 8> kSurnames = {"山田", "佐藤", "鈴木", "髙橋", "渡辺", "伊藤", "中村", "小林"};
constexpr std::array<std::string_view, 8> kGivenNames = {"太郎", "花子", "一郎", "美咲",
                                                         "健",   "陽子", "翔太", "さくら"};
constexpr std::array<std::string_view, 8> kKanaNames = {"ヤマダ　タロウ",     "サトウ　ハナコ",  "スズキ　イチロウ",
                                                        "タカハシ　ミサキ",   "ワタナベ　ケン",  "イトウ　ヨウコ",
                                                        "ナカムラ　ショウタ", "コバヤシ　サクラ"};
constexpr std::array<std::string_view, 5> kCompanies = {"株式会社青葉商事", "㈱みどり製作所", "有限会社さくら運輸",
                                                        "合同会社北斗システム", "株式会社髙木工業"};
constexpr std::array<std::string_view, 5> kAddresses = {
    "東京都千代田区霞が関１－２－３", "大阪府大阪市北区梅田２丁目４番９号", "愛知県名古屋市中区栄３－１５－３３",
    "福岡県福岡市博多区博多駅前１－１－１　①号館", "北海道札幌市中央区北一条西２丁目"};
constexpr std::array<std::string_view, 4> kOffices = {"千代田年金事務所", "梅田年金事務所", "名古屋中年金事務所",
                                                      "博多年金事務所"};
constexpr std::array<std::string_view, 4> kSentences = {
    "ご不明な点がございましたら、お近くの年金事務所までお問い合わせください。",
    "標準報酬月額は４月～６月に支払われた報酬の平均額をもとに決定されます。",
    "この通知書の内容について不服がある場合は、審査請求をすることができます。",
    "被保険者の資格の取得について、上記のとおり確認しましたので通知します。"};
constexpr std::array<std::string_view, 6> kSpecialValues = {"A&B",      "1,000", "\"引用\"", "一行目\n二行目",
                                                            "<未加工>", "50%"};

bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

std::string Digits(Random& random, int count)
{
    std::string digits;
    for (int i = 0; i < count; ++i) {
        digits += static_cast<char>('0' + random.Below(10));
    }
    return digits;
}

std::string TwoDigits(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// A plausible value for a field, from its name and length.
std::string ValueFor(const StDataDif& definition, Random& random)
{
    const std::string_view name = definition.sNodename;
    const int bytes = definition.iBytes;
    if (EndsWith(name, "元号")) {
        return bytes == 1 ? "5" : "令和";
    }
    if (EndsWith(name, "x年") || EndsWith(name, "_年")) {
        return TwoDigits(random.Between(1, 7));
    }
    if (EndsWith(name, "x月") || EndsWith(name, "_月")) {
        return TwoDigits(random.Between(1, 12));
    }
    if (EndsWith(name, "x日") || EndsWith(name, "_日")) {
        return TwoDigits(random.Between(1, 28));
    }
    if (Contains(name, "年月日") && bytes >= 16) {
        return "令和" + TwoDigits(random.Between(1, 7)) + "年" + TwoDigits(random.Between(1, 12)) + "月" +
               TwoDigits(random.Between(1, 28)) + "日";
    }
    if (Contains(name, "郵便番号")) {
        return bytes >= 8 ? Digits(random, 3) + "-" + Digits(random, 4) : Digits(random, std::min(bytes, 4));
    }
    if (Contains(name, "電話")) {
        return Digits(random, std::min(bytes, 11));
    }
    if (Contains(name, "カナ")) {
        return std::string(random.Pick(kKanaNames));
    }
    if (Contains(name, "年金事務所名")) {
        return std::string(random.Pick(kOffices));
    }
    if (Contains(name, "事業所名称") || Contains(name, "船舶所有者氏名") || Contains(name, "ゾルベア")) {
        return std::string(random.Pick(kCompanies));
    }
    if (Contains(name, "氏名") || Contains(name, "代表者") || Contains(name, "通知者名")) {
        return std::string(random.Pick(kSurnames)) + "　" + std::string(random.Pick(kGivenNames));
    }
    if (Contains(name, "住所") || Contains(name, "所在地")) {
        return std::string(random.Pick(kAddresses));
    }
    if (Contains(name, "報酬") || Contains(name, "賞与額") || Contains(name, "月額")) {
        return std::to_string(random.Between(88, 1390));
    }
    if (Contains(name, "番号") || Contains(name, "記号") || Contains(name, "符号") || Contains(name, "コード")) {
        return Digits(random, std::clamp(bytes, 1, 10));
    }
    if (name == "性別" || Contains(name, "性別_")) {
        return random.Below(2) == 0 ? "1" : "2";
    }
    if (bytes >= 100) {
        return std::string(random.Pick(kSentences));
    }
    if (bytes <= 2) {
        return std::to_string(random.Between(0, 9));
    }
    return Digits(random, std::min(bytes, 6));
}

// Text escaped for element content.
std::string EscapeXml(std::string_view value)
{
    std::string escaped;
    for (const char c : value) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// Quoting as a CSV reader expects it (RFC 4180), written here independently of the converter.
std::string CsvValue(std::string_view value)
{
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(value);
    }
    std::string quoted = "\"";
    for (const char c : value) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

struct Field {
    std::string name;
    std::string value;
};

struct Record {
    std::vector<Field> fields;  // in definition order
};

std::string CsvLine(const Record& record)
{
    std::string line;
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        line += CsvValue(record.fields[i].value);
    }
    return line + "\n";
}

Record MakeRecord(const DataDifList& list, Random& random, bool special)
{
    Record record;
    for (const StDataDif& definition : list) {
        std::string value = ValueFor(definition, random);
        if (special && random.Below(4) == 0) {
            value = std::string(random.Pick(kSpecialValues));
        }
        record.fields.push_back({definition.sNodename, std::move(value)});
    }
    return record;
}

void AppendFields(std::string& xml, const Record& record, Random& random, bool shuffle, std::string_view indent,
                  const NotificationSpec& wanted, bool lastRecord)
{
    std::vector<const Field*> order;
    for (const Field& field : record.fields) {
        order.push_back(&field);
    }
    if (shuffle) {
        for (std::size_t i = order.size(); i > 1; --i) {
            std::swap(order[i - 1], order[static_cast<std::size_t>(random.Below(static_cast<int>(i)))]);
        }
    }
    const bool breakThis = lastRecord && wanted.fault != Fault::None;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (breakThis && wanted.fault == Fault::MissingField && i == order.size() / 2) {
            continue;
        }
        if (breakThis && wanted.fault == Fault::CommentInRecord && i == 1) {
            xml += std::string(indent) + "<!-- 確認済み -->\n";
        }
        xml += std::string(indent) + "<" + order[i]->name + ">" + EscapeXml(order[i]->value) + "</" + order[i]->name +
               ">\n";
    }
    if (breakThis && wanted.fault == Fault::ExtraElement) {
        xml += std::string(indent) + "<未定義項目>1</未定義項目>\n";
    }
}

// The field of the first record that takes the padding: the longest free-text one.
Field* PaddingField(std::vector<Record>& records, Record* common, const FormDefinition& form)
{
    Field* best = nullptr;
    int bestBytes = 0;
    auto consider = [&](Record& record, const DataDifList& list) {
        for (std::size_t i = 0; i < list.size() && i < record.fields.size(); ++i) {
            if (list[i].iBytes > bestBytes && !Contains(list[i].sNodename, "元号")) {
                bestBytes = list[i].iBytes;
                best = &record.fields[i];
            }
        }
    };
    if (common != nullptr) {
        consider(*common, form.commonList);
    }
    if (!records.empty()) {
        consider(records.front(), form.insuredList);
    }
    return best;
}

std::string Declaration(FileEncoding encoding)
{
    switch (encoding) {
        case FileEncoding::Utf8:
            return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        case FileEncoding::Utf8Bom:
            return "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n";
        case FileEncoding::ShiftJis:
            return "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";
    }
    return {};
}

std::string Render(const std::string& root, const Record* common, const std::vector<Record>& records, bool singleRecord,
                   Random& random, const NotificationSpec& wanted)
{
    std::string xml = Declaration(wanted.encoding);
    xml += "<" + root + ">\n";
    if (singleRecord) {
        AppendFields(xml, records.front(), random, wanted.shuffleFields, "  ", wanted, true);
    } else {
        if (common != nullptr) {
            AppendFields(xml, *common, random, wanted.shuffleFields, "  ", wanted, false);
        } else if (wanted.extraRootElements) {
            xml += "  <通知書情報>\n    <作成区分>1</作成区分>\n  </通知書情報>\n";
        }
        for (std::size_t i = 0; i < records.size(); ++i) {
            xml += "  <" + std::string(kInsured) + ">\n";
            AppendFields(xml, records[i], random, wanted.shuffleFields, "    ", wanted, i + 1 == records.size());
            xml += "  </" + std::string(kInsured) + ">\n";
        }
    }
    xml += "</" + root + ">\n";
    return xml;
}

}  // namespace

#ifdef _WIN32
// Windows has no iconv: the program's own tables, which the build generated from the build
// machine's iconv. They write "?" for a character without a code; like iconv, the generator
// refuses such text instead.
std::string ToCp932(const std::string& utf8)
{
    std::string out;
    AppendCp932(out, utf8);
    if (std::count(out.begin(), out.end(), '?') != std::count(utf8.begin(), utf8.end(), '?')) {
        throw std::runtime_error("text not representable in CP932");
    }
    return out;
}
#else
std::string ToCp932(const std::string& utf8)
{
    iconv_t cd = ::iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("iconv cannot convert to CP932");
    }
    std::string out(utf8.size() + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) {
        throw std::runtime_error("text not representable in CP932");
    }
    out.resize(out.size() - outLeft);
    return out;
}
#endif

namespace {

// The files that have no form at all, or nothing when the fault leaves the notification whole.
std::optional<GeneratedNotification> WithoutForm(const NotificationSpec& wanted)
{
    GeneratedNotification result;
    result.convertible = false;
    if (wanted.fault == Fault::Empty) {
        return result;
    }
    if (wanted.fault == Fault::NotXml) {
        result.bytes = "これはXMLではありません。\nThis is not an XML document.\n";
        return result;
    }
    return std::nullopt;
}

[[noreturn]] void RejectForm(const std::string& formId)
{
    throw std::invalid_argument("not a supported form: " + formId);
}

GeneratedNotification GenerateForm(const FormDefinition& form, const NotificationSpec& wanted)
{
    GeneratedNotification result;
    const bool singleRecord = form.singleRecord;
    Random random(wanted.seed);

    std::optional<Record> common;
    if (!form.commonList.empty()) {
        common = MakeRecord(form.commonList, random, wanted.specialCharacters);
    }
    std::vector<Record> records;
    const int persons = singleRecord ? 1 : (wanted.fault == Fault::NoPersonRecord ? 0 : std::max(wanted.persons, 1));
    for (int i = 0; i < persons; ++i) {
        records.push_back(MakeRecord(form.insuredList, random, wanted.specialCharacters));
    }
    const std::string root = wanted.fault == Fault::UnsupportedForm ? "N2008006" : form.id;

    Random layout(wanted.seed ^ 0xA5A5A5A5U);
    std::string xml = Render(root, common ? &*common : nullptr, records, singleRecord, layout, wanted);
    if (wanted.targetBytes > xml.size()) {
        if (Field* field = PaddingField(records, common ? &*common : nullptr, form)) {
            const std::string_view filler = kSentences[static_cast<std::size_t>(wanted.seed % kSentences.size())];
            const std::size_t missing = wanted.targetBytes - xml.size();
            while (field->value.size() < missing) {
                field->value += filler;
            }
            Random again(wanted.seed ^ 0xA5A5A5A5U);
            xml = Render(root, common ? &*common : nullptr, records, singleRecord, again, wanted);
        }
    }

    result.convertible = wanted.fault == Fault::None;
    if (result.convertible) {
        result.expectedCsv = form.id + "\n[kanri]\n" + (common ? CsvLine(*common) : std::string("\n")) + "[data]\n";
        for (const Record& record : records) {
            result.expectedCsv += CsvLine(record);
        }
    }
    result.bytes = wanted.encoding == FileEncoding::ShiftJis ? ToCp932(xml) : xml;
    if (wanted.fault == Fault::Truncated) {
        result.bytes.resize(result.bytes.size() / 2);
    }
    return result;
}

const FormDefinition* FindForm(std::span<const FormDefinition> forms, const std::string& formId)
{
    const auto found =
        std::find_if(forms.begin(), forms.end(), [&](const FormDefinition& form) { return form.id == formId; });
    return found == forms.end() ? nullptr : &*found;
}

}  // namespace

GeneratedNotification Generate(const FormCatalogue& catalogue, const NotificationSpec& wanted)
{
    if (auto result = WithoutForm(wanted)) {
        return std::move(*result);
    }
    const FormDefinition* form = catalogue.Definition(wanted.formId);
    if (form == nullptr) {
        RejectForm(wanted.formId);
    }
    return GenerateForm(*form, wanted);
}

GeneratedNotification Generate(std::span<const FormDefinition> forms, const NotificationSpec& wanted)
{
    if (auto result = WithoutForm(wanted)) {
        return std::move(*result);
    }
    const FormDefinition* form = FindForm(forms, wanted.formId);
    if (form == nullptr) {
        RejectForm(wanted.formId);
    }
    return GenerateForm(*form, wanted);
}

namespace {

void WriteFileWithTime(const std::string& path, const std::string& bytes, std::int64_t mtime)
{
    // The path is UTF-8 on every system (on Windows a narrow path would be read in the ANSI code
    // page).
    const std::filesystem::path native(std::u8string(path.begin(), path.end()));
    {
        std::ofstream file(native, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            throw std::runtime_error("cannot write " + path);
        }
    }
#ifdef _WIN32
    // Last-write times count 100 ns steps from 1601-01-01.
    const ULONGLONG ticks = static_cast<ULONGLONG>(mtime + 11644473600LL) * 10000000ULL;
    const FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFFULL), static_cast<DWORD>(ticks >> 32)};
    HANDLE file = ::CreateFileW(native.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ::SetFileTime(file, nullptr, &time, &time);
        ::CloseHandle(file);
    }
#else
    const struct timespec times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
#endif
}

constexpr std::array<Fault, 5> kFolderFaults = {Fault::MissingField, Fault::Truncated, Fault::UnsupportedForm,
                                                Fault::ExtraElement, Fault::CommentInRecord};

}  // namespace

std::vector<GeneratedFile> GenerateFolder(const FormCatalogue& catalogue, const std::string& folder,
                                          const FolderSpec& wanted)
{
    return GenerateFolder(catalogue.Definitions(), folder, wanted);
}

std::vector<GeneratedFile> GenerateFolder(std::span<const FormDefinition> forms, const std::string& folder,
                                          const FolderSpec& wanted)
{
    if (forms.empty() && wanted.count > 0) {
        throw std::invalid_argument("no forms to make notifications of");
    }
    std::vector<GeneratedFile> files;
    files.reserve(static_cast<std::size_t>(std::max(wanted.count, 0)));
    Random random(wanted.seed);
    for (int i = 0; i < wanted.count; ++i) {
        const FormDefinition& form = forms[static_cast<std::size_t>(random.Below(static_cast<int>(forms.size())))];
        NotificationSpec one;
        one.formId = form.id;
        one.persons = random.Between(wanted.minPersons, wanted.maxPersons);
        one.encoding = random.Fraction() < wanted.shiftJisFraction ? FileEncoding::ShiftJis : FileEncoding::Utf8;
        one.seed = static_cast<std::uint32_t>(random.Next());
        one.targetBytes = static_cast<std::size_t>(random.Between(
            static_cast<int>(wanted.minBytes), static_cast<int>(std::max(wanted.minBytes, wanted.maxBytes))));
        one.extraRootElements = random.Below(2) == 0;
        if (random.Fraction() < wanted.failFraction) {
            one.fault = kFolderFaults[static_cast<std::size_t>(random.Below(static_cast<int>(kFolderFaults.size())))];
        }
        GeneratedNotification notification = GenerateForm(form, one);
        char name[64];
        std::snprintf(name, sizeof name, "%06d_%s.xml", i + 1, one.formId.c_str());
        WriteFileWithTime(folder + "/" + name, notification.bytes, wanted.firstMtime + i);
        files.push_back({name, notification.convertible, std::move(notification.expectedCsv)});
    }
    return files;
}

std::vector<GeneratedFile> GenerateExamples(const FormCatalogue& catalogue, const std::string& folder)
{
    struct Example {
        std::string name;
        NotificationSpec wanted;
    };
    const std::span<const FormDefinition> forms = catalogue.Definitions();
    std::vector<Example> examples;
    std::uint32_t seed = 20260101;
    for (std::size_t i = 0; i < forms.size(); ++i) {
        NotificationSpec wanted;
        wanted.formId = forms[i].id;
        wanted.persons = 2;
        wanted.seed = seed++;
        wanted.encoding = i % 4 == 1 ? FileEncoding::ShiftJis : FileEncoding::Utf8;
        wanted.extraRootElements = i % 3 == 0;
        examples.push_back(
            {wanted.formId + (wanted.encoding == FileEncoding::ShiftJis ? "-sjis" : "") + ".xml", wanted});
    }
    NotificationSpec special;
    special.formId = "N2018003";
    special.persons = 3;
    special.seed = seed++;
    special.specialCharacters = true;
    special.shuffleFields = true;
    examples.push_back({"N2018003-commas-quotes-line-breaks.xml", special});

    NotificationSpec truncated = special;
    truncated.specialCharacters = false;
    truncated.fault = Fault::Truncated;
    examples.push_back({"broken-truncated.xml", truncated});
    NotificationSpec unknown;
    unknown.formId = "N2008005";
    unknown.seed = seed++;
    unknown.fault = Fault::UnsupportedForm;
    examples.push_back({"broken-unknown-form.xml", unknown});

    std::vector<GeneratedFile> files;
    const std::int64_t firstMtime = 1767225600;
    for (std::size_t i = 0; i < examples.size(); ++i) {
        GeneratedNotification notification = Generate(forms, examples[i].wanted);
        WriteFileWithTime(folder + "/" + examples[i].name, notification.bytes,
                          firstMtime + static_cast<std::int64_t>(i) * 60);
        files.push_back({examples[i].name, notification.convertible, std::move(notification.expectedCsv)});
    }
    return files;
}

}  // namespace tenvor::gen
