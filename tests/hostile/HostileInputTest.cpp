// Hostile notifications: each one ends as a correct conversion or as an error record of the
// right kind, within bounded time and memory, without a crash, without reading anything but the
// file itself and without touching the network. Every run happens in a child process whose time,
// address space and peak memory are watched.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "NotificationGenerator.h"
#include "faults/ChildProcess.h"

namespace tenvor {
namespace {

using test::ChildLimits;
using test::Harness;
using test::RunReport;

constexpr long kMiB = 1024;  // peak memory is measured in KiB

// The first field of the notification, whatever it is, gets this content (raw XML).
std::string WithFirstValue(const std::string& document, const std::string& content)
{
    const std::size_t rootEnd = document.find('>', document.find("<N"));
    const std::size_t open = document.find('<', rootEnd);
    const std::size_t nameEnd = document.find('>', open);
    const std::string name = document.substr(open + 1, nameEnd - open - 1);
    const std::size_t close = document.find("</" + name + ">", nameEnd);
    return document.substr(0, nameEnd + 1) + content + document.substr(close);
}

// The document with a document type declaration after its XML declaration.
std::string WithDoctype(const std::string& document, const std::string& declaration)
{
    const std::size_t afterDeclaration = document.find("?>") + 2;
    return document.substr(0, afterDeclaration) + "\n" + declaration + document.substr(afterDeclaration);
}

// The expected CSV (UTF-8, LF) with the first value of the first person line replaced.
std::string ExpectedWithFirstValue(const std::string& expected, const std::string& csvValue)
{
    std::size_t line = 0;
    for (int i = 0; i < 4; ++i) {
        line = expected.find('\n', line) + 1;
    }
    const std::size_t comma = expected.find_first_of(",\n", line);
    return expected.substr(0, line) + csvValue + expected.substr(comma);
}

class HostileInputTest : public ::testing::Test {
protected:
    gen::GeneratedNotification Notification(const std::string& formId = "N2008005", int persons = 1)
    {
        gen::NotificationSpec wanted;
        wanted.formId = formId;
        wanted.persons = persons;
        wanted.seed = 7;
        return gen::Generate(h.engine.Catalogue(), wanted);
    }

    std::string Input(const std::string& name, const std::string& bytes)
    {
        const std::string path = test::Join(h.in, name);
        test::WriteFile(path, bytes);
        return path;
    }

    // Runs in a child: it must end by itself within the time, and (without AddressSanitizer,
    // whose shadow memory makes the figure meaningless) within the memory given. On Windows it
    // runs in this process: only the outcome is checked there.
    RunReport Isolated(const std::function<RunReport()>& run, long maxPeakKb, int timeoutSeconds = 120)
    {
        ChildLimits limits;
        limits.timeoutSeconds = timeoutSeconds;
        limits.addressSpaceBytes = std::size_t{4} << 30;
        const test::ChildResult result = test::RunInChild([&] { return run().Encode(); }, limits);
        EXPECT_FALSE(result.timedOut) << "still running after " << timeoutSeconds << " s";
        EXPECT_TRUE(result.exited) << "ended by signal " << result.signal << "\n" << result.errorOutput;
        EXPECT_EQ(result.exitCode, 0) << result.output;
        if (!test::ChildrenAreIsolated()) {
            std::printf("[ figures  ] %.2f s, memory not measured\n", result.seconds);
            return RunReport::Decode(result.output);
        }
        if (!test::UnderAddressSanitizer()) {
            EXPECT_LT(result.peakRssKb, maxPeakKb) << "peak memory " << result.peakRssKb / kMiB << " MiB";
        }
        std::printf("[ figures  ] %.2f s, peak %ld MiB\n", result.seconds, result.peakRssKb / kMiB);
        return RunReport::Decode(result.output);
    }

    RunReport IsolatedFile(const std::string& path, long maxPeakKb = 256 * kMiB)
    {
        return Isolated([&] { return h.RunFile(path); }, maxPeakKb);
    }

    // A file the run must refuse with kind 1, leaving no CSV file.
    void ExpectFormatError(const std::string& path, long maxPeakKb = 256 * kMiB)
    {
        const RunReport report = IsolatedFile(path, maxPeakKb);
        EXPECT_EQ(report.outcome, "Completed");
        ASSERT_EQ(report.errors.size(), 1u);
        EXPECT_EQ(report.errors[0], std::make_pair(1, path));
        EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    }

    // A file the run must convert into exactly this CSV (UTF-8, LF) in the Shift_JIS output.
    void ExpectConverted(const std::string& path, const std::string& expectedCsv, long maxPeakKb = 256 * kMiB)
    {
        const RunReport report = IsolatedFile(path, maxPeakKb);
        EXPECT_EQ(report.outcome, "Completed");
        EXPECT_TRUE(report.errors.empty()) << report.Encode();
        const std::string csv = test::Join(h.out, test::Utf8Path(test::NativePath(path).stem()) + ".csv");
        EXPECT_EQ(test::ReadFile(csv), test::CsvBytes(expectedCsv, OutputEncoding::ShiftJis));
    }

    Harness h;
};

// --- Entity expansion -------------------------------------------------------------------------

TEST_F(HostileInputTest, BillionLaughsIsRefusedQuickly)
{
    std::string entities = "<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        std::string value;
        for (int j = 0; j < 10; ++j) {
            value += "&lol" + std::to_string(i - 1) + ";";
        }
        entities += "<!ENTITY lol" + std::to_string(i) + " \"" + value + "\">\n";
    }
    const std::string document =
        WithDoctype(WithFirstValue(Notification().bytes, "&lol9;"), "<!DOCTYPE N2008005 [\n" + entities + "]>");
    ExpectFormatError(Input("laughs.xml", document), 64 * kMiB);
}

// 50,000 references to a 50,000-character entity: 200 KB that would become 2.5 GB of values.
TEST_F(HostileInputTest, QuadraticBlowupIsRefusedQuickly)
{
    std::string references;
    for (int i = 0; i < 50000; ++i) {
        references += "&big;";
    }
    const std::string document = WithDoctype(WithFirstValue(Notification().bytes, references),
                                             "<!DOCTYPE N2008005 [<!ENTITY big \"" + std::string(50000, 'x') + "\">]>");
    ExpectFormatError(Input("quadratic.xml", document), 64 * kMiB);
}

// The same shape within the limit (2,000 references to 1,000 characters) converts in full.
TEST_F(HostileInputTest, ModerateEntityUseConvertsInFull)
{
    std::string references;
    for (int i = 0; i < 2000; ++i) {
        references += "&mid;";
    }
    const gen::GeneratedNotification notification = Notification();
    const std::string document = WithDoctype(WithFirstValue(notification.bytes, references),
                                             "<!DOCTYPE N2008005 [<!ENTITY mid \"" + std::string(1000, 'y') + "\">]>");
    ExpectConverted(Input("moderate.xml", document),
                    ExpectedWithFirstValue(notification.expectedCsv, std::string(2000000, 'y')));
}

TEST_F(HostileInputTest, InternalEntitiesResolveInValues)
{
    const gen::GeneratedNotification notification = Notification();
    const std::string document = WithDoctype(WithFirstValue(notification.bytes, "A&co;B&amp;C"),
                                             "<!DOCTYPE N2008005 [<!ENTITY co \"&amp;&#x22;,\">]>");
    ExpectConverted(Input("internal.xml", document),
                    ExpectedWithFirstValue(notification.expectedCsv, "\"A&\"\",B&C\""));
}

// --- External entities and document types: never read, never fetched ---------------------------

// A file: URL of a local path.
std::string FileUrl(const std::string& path)
{
#ifdef _WIN32
    std::string url = "file:///" + path;  // file:///C:/dir/name
    std::replace(url.begin(), url.end(), '\\', '/');
    return url;
#else
    return "file://" + path;
#endif
}

class ExternalReferenceTest : public HostileInputTest {
protected:
    ExternalReferenceTest()
    {
        test::WriteFile(secret, std::string(kSecret) + "\n");
        test::WriteFile(secretDtd, "<!ENTITY leak \"" + std::string(kSecret) + "\">\n");
    }

    void ExpectNothingLeaked(const RunReport& report)
    {
        EXPECT_EQ(report.Encode().find(kSecret), std::string::npos);
        EXPECT_FALSE(test::AnyFileContains(h.out, kSecret));
        EXPECT_FALSE(test::AnyFileContains(h.home, kSecret)) << h.LogText();
    }

    static constexpr const char* kSecret = "PRIVATE-CONTENT-4f1c9e";
    const std::string secret = h.dir / "private.txt";
    const std::string secretDtd = h.dir / "private.dtd";
};

TEST_F(ExternalReferenceTest, ExternalEntityOnALocalFileIsNeverRead)
{
    const std::string base = Notification().bytes;
    std::vector<std::string> paths;
    for (const std::string& system : {secret, FileUrl(secret), std::string("../private.txt")}) {
        paths.push_back(Input("entity" + std::to_string(paths.size()) + ".xml",
                              WithDoctype(WithFirstValue(base, "&ext;"),
                                          "<!DOCTYPE N2008005 [<!ENTITY ext SYSTEM \"" + system + "\">]>")));
    }
    const RunReport report = Isolated([&] { return h.RunFolder(h.in); }, 256 * kMiB);
    EXPECT_EQ(report.outcome, "Completed");
    // Its text cannot be had without reading the file, so the value cannot be converted.
    ASSERT_EQ(report.errors.size(), paths.size()) << report.Encode();
    for (const auto& [kind, path] : report.errors) {
        EXPECT_EQ(kind, 1) << path;
    }
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    ExpectNothingLeaked(report);
}

TEST_F(ExternalReferenceTest, ExternalDocumentTypeOnALocalFileIsNeverRead)
{
    const gen::GeneratedNotification notification = Notification();
    // Without the file, "leak" is not declared: refused. With no reference, the declaration is
    // ignored and the notification converts as it is.
    const std::string withReference = Input(
        "reference.xml",
        WithDoctype(WithFirstValue(notification.bytes, "&leak;"), "<!DOCTYPE N2008005 SYSTEM \"" + secretDtd + "\">"));
    const std::string parameterEntity =
        Input("parameter.xml", WithDoctype(WithFirstValue(notification.bytes, "&leak;"),
                                           "<!DOCTYPE N2008005 [<!ENTITY % p SYSTEM \"" + secretDtd + "\"> %p;]>"));
    const std::string plain = Input(
        "plain.xml", WithDoctype(notification.bytes, "<!DOCTYPE N2008005 SYSTEM \"" + FileUrl(secretDtd) + "\">"));
    test::SetMtime(withReference, 1767225600);
    test::SetMtime(parameterEntity, 1767225601);
    test::SetMtime(plain, 1767225602);

    const RunReport report = Isolated([&] { return h.RunFolder(h.in); }, 256 * kMiB);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.errors, (std::vector<std::pair<int, std::string>>{{1, withReference}, {1, parameterEntity}}));
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "plain.csv")),
              test::CsvBytes(notification.expectedCsv, OutputEncoding::ShiftJis));
    ExpectNothingLeaked(report);
}

TEST_F(ExternalReferenceTest, XIncludeIsNotFollowed)
{
    const gen::GeneratedNotification notification = Notification();
    const std::string include =
        "<xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"" + secret + "\" parse=\"text\"/>";
    const RunReport report = IsolatedFile(Input("xinclude.xml", WithFirstValue(notification.bytes, include)));
    EXPECT_TRUE(report.errors.empty()) << report.Encode();
    // The element is a value like any other: its markup, not what it points at.
    std::string quoted;
    for (const char c : include) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "xinclude.csv")),
              test::CsvBytes(ExpectedWithFirstValue(notification.expectedCsv, "\"" + quoted + "\""),
                             OutputEncoding::ShiftJis));
    ExpectNothingLeaked(report);
}

TEST_F(HostileInputTest, NetworkAddressesAreNeverContacted)
{
    test::LoopbackListener listener;
    if (!listener.ok()) {
        GTEST_SKIP() << "no loopback listener could be opened here";
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(listener.port());
    const gen::GeneratedNotification notification = Notification();
    const std::string entity =
        Input("entity.xml", WithDoctype(WithFirstValue(notification.bytes, "&remote;"),
                                        "<!DOCTYPE N2008005 [<!ENTITY remote SYSTEM \"" + url + "/entity\">]>"));
    const std::string doctype =
        Input("doctype.xml", WithDoctype(notification.bytes, "<!DOCTYPE N2008005 SYSTEM \"" + url + "/doctype.dtd\">"));
    const std::string parameter =
        Input("parameter.xml", WithDoctype(notification.bytes, "<!DOCTYPE N2008005 [<!ENTITY % remote SYSTEM \"" + url +
                                                                   "/parameter.dtd\"> %remote;]>"));
    const std::string schema =
        Input("schema.xml",
              WithFirstValue(notification.bytes,
                             "<x xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"" + url +
                                 "/schema.xsd\"/>"));
    test::SetMtime(entity, 1767225600);
    test::SetMtime(doctype, 1767225601);
    test::SetMtime(parameter, 1767225602);
    test::SetMtime(schema, 1767225603);

    const RunReport report = Isolated([&] { return h.RunFolder(h.in); }, 256 * kMiB);
    EXPECT_FALSE(listener.Contacted()) << "a connection was attempted";
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.errors, (std::vector<std::pair<int, std::string>>{{1, entity}}));
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "doctype.csv")),
              test::CsvBytes(notification.expectedCsv, OutputEncoding::ShiftJis));
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "parameter.csv")),
              test::CsvBytes(notification.expectedCsv, OutputEncoding::ShiftJis));
    EXPECT_TRUE(test::Exists(test::Join(h.out, "schema.csv")));
}

// --- Structure ----------------------------------------------------------------------------------

TEST_F(HostileInputTest, HundredThousandDeepNestingIsRefused)
{
    const std::string deep = [] {
        std::string text;
        text.reserve(800000);
        for (int i = 0; i < 100000; ++i) {
            text += "<a>";
        }
        text += "x";
        for (int i = 0; i < 100000; ++i) {
            text += "</a>";
        }
        return text;
    }();
    ExpectFormatError(Input("deep.xml", WithFirstValue(Notification().bytes, deep)), 128 * kMiB);
}

TEST_F(HostileInputTest, NestingWithinTheParsersLimitIsKeptAsMarkup)
{
    std::string nested;
    for (int i = 0; i < 200; ++i) {
        nested += "<a>";
    }
    nested += "x";
    for (int i = 0; i < 200; ++i) {
        nested += "</a>";
    }
    const gen::GeneratedNotification notification = Notification();
    ExpectConverted(Input("nested.xml", WithFirstValue(notification.bytes, nested)),
                    ExpectedWithFirstValue(notification.expectedCsv, nested));
}

TEST_F(HostileInputTest, DocumentElementWithAMillionChildren)
{
    // A form without common fields ignores everything beside its person records.
    const gen::GeneratedNotification notification = Notification("N7100001", 1);
    std::string filler;
    filler.reserve(4000000);
    for (int i = 0; i < 1000000; ++i) {
        filler += "<x/>";
    }
    std::string document = notification.bytes;
    document.insert(document.find("<_被保険者>"), filler);
    ExpectConverted(Input("million-ignored.xml", document), notification.expectedCsv, 512 * kMiB);
}

TEST_F(HostileInputTest, RecordWithAMillionUnknownChildrenIsRefused)
{
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<N2008005>";
    document.reserve(4100000);
    for (int i = 0; i < 1000000; ++i) {
        document += "<x/>";
    }
    document += "</N2008005>\n";
    ExpectFormatError(Input("million-unknown.xml", document), 512 * kMiB);
}

// --- Size ---------------------------------------------------------------------------------------

// One text value of 200 MB: beyond what the parser takes for one text, so the file is refused;
// it is read in pieces, never held whole.
TEST_F(HostileInputTest, TwoHundredMegabyteValueIsRefusedWithoutLoadingIt)
{
    const std::string path = test::Join(h.in, "huge.xml");
    {
        const std::string document = WithFirstValue(Notification().bytes, "@");
        const std::size_t at = document.find('@');
        std::ofstream file(path, std::ios::binary);
        file << document.substr(0, at);
        const std::string chunk(1 << 20, 'v');
        for (int i = 0; i < 200; ++i) {
            file << chunk;
        }
        file << document.substr(at + 1);
        ASSERT_TRUE(file.flush()) << "cannot write " << path;
    }
    ASSERT_GT(std::filesystem::file_size(path), 200u << 20);
    ExpectFormatError(path, 100 * kMiB);
    std::filesystem::remove(path);
}

TEST_F(HostileInputTest, NineMegabyteValueConvertsInFull)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N2008005";
    wanted.targetBytes = 9u << 20;
    const gen::GeneratedNotification notification = gen::Generate(h.engine.Catalogue(), wanted);
    ExpectConverted(Input("large.xml", notification.bytes), notification.expectedCsv);
}

// --- Encodings and bytes ------------------------------------------------------------------------

TEST_F(HostileInputTest, InvalidUtf8InADocumentDeclaredUtf8IsRefused)
{
    const std::string document = Notification().bytes;
    const std::size_t japanese = document.find("\xE3", document.find("<N"));
    ASSERT_NE(japanese, std::string::npos);
    std::string broken = document;
    broken.replace(japanese, 3, "\xE4\xBD\xFF\x80");
    ExpectFormatError(Input("invalid-utf8.xml", broken));

    std::string overlong = document;
    overlong.replace(japanese, 3, "\xC0\xAF");  // "/" spelt in two bytes
    ExpectFormatError(Input("overlong.xml", overlong));

    std::string surrogate = document;
    surrogate.replace(japanese, 3, "\xED\xA0\x80");  // U+D800
    ExpectFormatError(Input("surrogate.xml", surrogate));
}

TEST_F(HostileInputTest, Cp932DocumentDeclaredUtf8IsRefused)
{
    const std::string document = Notification().bytes;  // declared UTF-8
    ExpectFormatError(Input("cp932-as-utf8.xml", test::Utf8ToCp932(document)));
}

TEST_F(HostileInputTest, Utf8DocumentDeclaredShiftJisIsRefused)
{
    std::string document = Notification().bytes;
    const std::string declared = "encoding=\"UTF-8\"";
    const std::size_t at = document.find(declared);
    ASSERT_NE(at, std::string::npos);
    document.replace(at, declared.size(), "encoding=\"Shift_JIS\"");
    // Read as Shift_JIS its element names are other names: no field of the form matches.
    ExpectFormatError(Input("utf8-as-sjis.xml", document));
}

TEST_F(HostileInputTest, NulBytesInsideTheDocumentAreRefused)
{
    const std::string document = Notification().bytes;
    const std::size_t inValue = document.find('<', document.find('>', document.find("<N")));
    std::string inside = document;
    inside.insert(document.find('>', inValue) + 1, std::string(1, '\0'));
    ExpectFormatError(Input("nul-in-value.xml", inside));

    std::string beforeRoot = document;
    beforeRoot.insert(document.find("<N"), std::string("\0\0", 2));
    ExpectFormatError(Input("nul-before-root.xml", beforeRoot));

    ExpectFormatError(Input("only-nul.xml", std::string(4096, '\0')));
}

TEST_F(HostileInputTest, NulBytesAfterTheDocumentLoseNothing)
{
    const gen::GeneratedNotification notification = Notification();
    const std::string path = Input("nul-after.xml", notification.bytes + std::string("\0\0<N2008005>", 13));
    const RunReport report = IsolatedFile(path);
    // Nothing of the document is lost either way: it converts in full or is refused.
    if (report.errors.empty()) {
        EXPECT_EQ(test::ReadFile(test::Join(h.out, "nul-after.csv")),
                  test::CsvBytes(notification.expectedCsv, OutputEncoding::ShiftJis));
    } else {
        EXPECT_EQ(report.errors, (std::vector<std::pair<int, std::string>>{{1, path}}));
        EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    }
}

TEST_F(HostileInputTest, CharactersOutsideShiftJisBecomeOneQuestionMarkEach)
{
    const gen::GeneratedNotification notification = Notification();
    // An emoji, the last code point, a zero-width space and an accented letter: none is in
    // code page 932.
    const std::string value =
        "a\xF0\x9F\x98\x80"
        "b\xF4\x8F\xBF\xBF"
        "c\xE2\x80\x8B"
        "d\xC3\xA9"
        "e";
    const std::string path = Input("outside.xml", WithFirstValue(notification.bytes, value));
    ExpectConverted(path, ExpectedWithFirstValue(notification.expectedCsv, "a?b?c?d?e"));

    // UTF-8 keeps every one of them.
    std::filesystem::remove(test::Join(h.out, "outside.csv"));
    h.window.encoding = OutputEncoding::Utf8;
    const RunReport report = IsolatedFile(path);
    EXPECT_TRUE(report.errors.empty()) << report.Encode();
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "outside.csv")),
              test::CsvBytes(ExpectedWithFirstValue(notification.expectedCsv, value), OutputEncoding::Utf8));
}

// --- What the path names ------------------------------------------------------------------------

TEST_F(HostileInputTest, FifoNamedXmlDoesNotHangTheRun)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: Windows has no FIFOs (named pipes live outside the file system's folders)";
#else
    const std::string fifo = h.in + "/pipe.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const RunReport file = Isolated([&] { return h.RunFile(fifo); }, 256 * kMiB, 30);
    EXPECT_EQ(file.errors, (std::vector<std::pair<int, std::string>>{{2, fifo}}));
    // A folder run lists regular files only.
    const gen::GeneratedNotification notification = Notification();
    Input("good.xml", notification.bytes);
    const RunReport folder = Isolated([&] { return h.RunFolder(h.in); }, 256 * kMiB, 30);
    EXPECT_EQ(folder.outcome, "Completed");
    EXPECT_TRUE(folder.errors.empty()) << folder.Encode();
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{"good.csv"});
#endif
}

TEST_F(HostileInputTest, DeviceBehindANameIsNotRead)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: a link to a device needs a privilege on Windows, and a device name such as NUL.xml "
                    "names a device as output too (NUL.csv), which the run finds before it reads anything";
#else
    const std::string zero = h.in + "/zero.xml";
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    const RunReport report = Isolated([&] { return h.RunFile(zero); }, 256 * kMiB, 30);
    EXPECT_EQ(report.errors, (std::vector<std::pair<int, std::string>>{{2, zero}}));
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
#endif
}

// The settings file is an input too: whatever stands at its path, the start-up finishes and
// falls back to the defaults.
TEST_F(HostileInputTest, SettingsPathThatIsNoFileDoesNotHangTheStart)
{
    const std::string settings = test::Join(h.home, "Tenvor.ini");
    test::MakeDir(h.home);
    auto startInChild = [&] {
        return Isolated(
            [&] {
                h.engine.Start();
                RunReport report;
                report.outcome = "DebugFlag=" + std::to_string(h.engine.Settings().DebugFlag);
                return report;
            },
            256 * kMiB, 30);
    };
#ifndef _WIN32  // Windows has neither FIFOs nor links to devices that a test can make
    ASSERT_EQ(::mkfifo(settings.c_str(), 0666), 0);
    EXPECT_EQ(startInChild().outcome, "DebugFlag=0");  // a FIFO nobody writes to

    std::filesystem::remove(settings);
    ASSERT_EQ(::symlink("/dev/zero", settings.c_str()), 0);
    EXPECT_EQ(startInChild().outcome, "DebugFlag=0");

    std::filesystem::remove(settings);
#endif
    test::MakeDir(settings);
    EXPECT_EQ(startInChild().outcome, "DebugFlag=0");

    // A regular file is still read.
    std::filesystem::remove(test::NativePath(settings));
    test::WriteFile(settings, "[Msg_Print]\nDebugFlag=1\n");
    EXPECT_EQ(startInChild().outcome, "DebugFlag=1");
}

// --- File names ---------------------------------------------------------------------------------

#ifdef _WIN32
// Windows file names hold no control characters, none of \ / : * ? " < > |, and end neither in a
// blank nor in a dot; the names below are those that remain, with what a command line there
// would expand (%VAR%, ^, !).
const std::vector<std::string>& HostileNames()
{
    static const std::vector<std::string> names = {
        "with space",       "single'quote", "日本語の通知　全角", "-leading-dash", "--output",
        "$(echo x) `y` ;&", "%s%n%d",       "%PATH% ^& !x!",      "[a]",           ".hidden",
    };
    return names;
}
const char kBrokenName[] = "broken name -x.xml";
#else
const std::vector<std::string>& HostileNames()
{
    static const std::vector<std::string> names = {
        "with space",  "single'quote", "double\"quote",    "日本語の通知　全角", "-leading-dash", "--output",
        "line\nbreak", "tab\there",    "carriage\rreturn", "$(echo x) `y` ;|&",  "back\\slash",   "%s%n%d",
        "*?[a]",       ".hidden",
    };
    return names;
}
const char kBrokenName[] = "broken\nname -x.xml";
#endif

TEST_F(HostileInputTest, HostileFileNamesConvertUnderTheirOwnNames)
{
    std::map<std::string, std::string> expected;
    std::time_t mtime = 1767225600;
    for (const std::string& name : HostileNames()) {
        gen::NotificationSpec wanted;
        wanted.formId = "N2018003";
        wanted.seed = static_cast<std::uint32_t>(mtime);
        const gen::GeneratedNotification notification = gen::Generate(h.engine.Catalogue(), wanted);
        test::SetMtime(Input(name + ".xml", notification.bytes), mtime++);
        expected[name + ".csv"] = test::CsvBytes(notification.expectedCsv, OutputEncoding::ShiftJis);
    }
    const std::string broken = Input(kBrokenName, "<broken");
    test::SetMtime(broken, mtime);

    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.errors, (std::vector<std::pair<int, std::string>>{{1, broken}}));
    std::vector<std::string> names;
    for (const auto& [name, bytes] : expected) {
        names.push_back(name);
        EXPECT_EQ(test::ReadFile(test::Join(h.out, name)), bytes) << name;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::FilesBelow(h.out), names);

    // A second run finds every one of them and overwrites none.
    const RunReport again = h.RunFolder(h.in);
    EXPECT_EQ(again.errors.size(), HostileNames().size() + 1);
    for (const auto& [name, bytes] : expected) {
        EXPECT_EQ(test::ReadFile(test::Join(h.out, name)), bytes) << name;
    }
}

TEST_F(HostileInputTest, HostileFileNamesThroughTheCommandLine)
{
    const std::string in = h.in;
    gen::NotificationSpec wanted;
    wanted.formId = "N2018003";
    const gen::GeneratedNotification notification = gen::Generate(h.engine.Catalogue(), wanted);
    Input("-leading-dash.xml", notification.bytes);
    // An argument after "--" is a path even when it looks like an option.
    const test::ChildResult one = test::RunProgram(
        {TENVOR_CLI_PATH, "convert", "--output", h.out, "--encoding", "utf8", "--file", "--", "-leading-dash.xml"},
        {"TENVOR_HOME=" + h.home}, {}, in);
    EXPECT_EQ(one.exitCode, 0) << one.output << one.errorOutput;
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "-leading-dash.csv")),
              test::CsvBytes(notification.expectedCsv, OutputEncoding::Utf8));

#ifdef _WIN32
    // Failed files are listed as they are named, one per line: a folder named with a blank and a
    // character outside the ANSI code page, which the command line must hand over intact, and
    // names that a command shell would expand.
    const std::string other = h.dir / "他の フォルダ 한";
    test::MakeDir(other);
    test::WriteFile(test::Join(other, "with space %PATH% ^&.xml"), "<broken");
    test::WriteFile(test::Join(other, "髙橋①.xml"), "<broken");
    const test::ChildResult folder =
        test::RunProgram({TENVOR_CLI_PATH, "convert", "--output", h.out, "--folder", other}, {"TENVOR_HOME=" + h.home});
    EXPECT_EQ(folder.exitCode, 1) << folder.output << folder.errorOutput;
    EXPECT_NE(folder.output.find("\t" + test::Join(other, "with space %PATH% ^&.xml") + "\t"), std::string::npos)
        << folder.output;
    EXPECT_NE(folder.output.find("\t" + test::Join(other, "髙橋①.xml") + "\t"), std::string::npos) << folder.output;
#else
    // Failed files with hostile names are listed one per line, control characters escaped.
    const std::string other = h.dir / "other";
    test::MakeDir(other);
    test::WriteFile(other + "/line\nbreak.xml", "<broken");
    test::WriteFile(other + "/tab\there.xml", "<broken");
    const test::ChildResult folder =
        test::RunProgram({TENVOR_CLI_PATH, "convert", "--output", h.out, "--folder", other}, {"TENVOR_HOME=" + h.home});
    EXPECT_EQ(folder.exitCode, 1) << folder.output << folder.errorOutput;
    EXPECT_NE(folder.output.find("\t" + other + "/line\\nbreak.xml\t"), std::string::npos) << folder.output;
    EXPECT_NE(folder.output.find("\t" + other + "/tab\\there.xml\t"), std::string::npos) << folder.output;
#endif
}

}  // namespace
}  // namespace tenvor
