// Reading one notification: form identification, common data, person records and the kind of
// every failure.
#include <gtest/gtest.h>

#include "NotificationGenerator.h"
#include "convert/CsvRendering.h"
#include "convert/NotificationLoader.h"
#include "convert/NotificationReader.h"
#include "convert/PlainNotificationWalk.h"
#include "convert/XmlDocument.h"
#include "diag/ErrorRecorder.h"
#include "diag/FailureReasons.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "forms/DataTbl.h"
#include "forms/FormCatalogue.h"
#include "forms/StyleNumList.h"
#include "platform/TextCodec.h"
#include "state/ProgressTracker.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using gen::Fault;
using gen::FileEncoding;
using gen::NotificationSpec;

class NotificationReaderTest : public ::testing::Test {
protected:
    // Writes the bytes to a file and reads it as the run does; returns ReadXMLData's result.
    RunStep Read(const std::string& bytes, const std::string& name = "n.xml")
    {
        const std::string path = test::Join(fixture.in, name);
        test::WriteFile(path, bytes);
        return ReadPath(path);
    }
    RunStep ReadPath(const std::string& path)
    {
        record = StXmlInfo{};
        ProgressTracker* fileModeBar = fixture.window.fileMode ? &bar : nullptr;
        errors.ResetForRun(fileModeBar);
        return reader.ReadXMLData(path, record, fileModeBar);
    }
    // The kind recorded for the last read, or -1 when nothing was recorded.
    int RecordedKind() const
    {
        const auto& list = errors.Records();
        return list.empty() ? -1 : ToInt(list.back().errorKind);
    }
    std::string Generated(NotificationSpec wanted) { return gen::Generate(forms, wanted).bytes; }
    // The record's text as the CSV holds it, in UTF-8 without the byte-order mark, with "\n"
    // line ends.
    std::string Csv() const
    {
        std::string text = RenderCsv(record, OutputEncoding::Utf8).substr(kUtf8ByteOrderMark.size());
        std::erase(text, '\r');
        return text;
    }

    test::RunFixture fixture;  // its folders and its window
    // The reader on its own, with the recorder that takes its failures.
    StINIData iniData;
    MessageBoxes messages{fixture.window};
    LogFile log{fixture.home + test::kSeparator, iniData, messages};
    ErrorRecorder errors{fixture.window, log};
    ProgressTracker bar{fixture.window};
    DataTbl dataTbl;
    FormCatalogue forms;
    NotificationReader reader{forms, errors};
    StXmlInfo record;
};

TEST_F(NotificationReaderTest, EveryFormReadsAsItsExpectedCsvInEitherEncoding)
{
    std::uint32_t seed = 7;
    for (const auto id : styleNumList) {
        for (const auto encoding : {FileEncoding::Utf8, FileEncoding::ShiftJis, FileEncoding::Utf8Bom}) {
            NotificationSpec wanted;
            wanted.formId = std::string(id);
            wanted.persons = 3;
            wanted.encoding = encoding;
            wanted.seed = seed++;
            wanted.shuffleFields = seed % 2 == 0;
            wanted.extraRootElements = wanted.formId[1] == '7';
            const auto notification = gen::Generate(forms, wanted);
            SCOPED_TRACE(wanted.formId + " encoding " + std::to_string(static_cast<int>(encoding)));
            ASSERT_EQ(Read(notification.bytes), RunStep::GoOn);
            EXPECT_EQ(record.errorFlag, 0);
            EXPECT_EQ(RecordedKind(), -1);
            EXPECT_EQ(Csv(), notification.expectedCsv);
            EXPECT_EQ(record.insuredData.Size(), forms.Find(id)->singleRecord ? 1u : 3u);
        }
    }
}

TEST_F(NotificationReaderTest, ShiftJisNotificationsDecodeTheWindowsCharacters)
{
    const std::string body = "<N4002002>" + std::string("<船舶所有者整理記号>㈱髙①～－</船舶所有者整理記号>");
    const auto& names = dataTbl.dataDifMap.at("N4002002");
    std::string xml = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" + body;
    for (std::size_t i = 1; i < names[0].size(); ++i) {
        xml += "<" + names[0][i].sNodename + "/>";
    }
    xml += "<_被保険者>";
    for (const auto& definition : names[1]) {
        xml += "<" + definition.sNodename + ">\\~</" + definition.sNodename + ">";
    }
    xml += "</_被保険者></N4002002>";
    ASSERT_EQ(Read(test::Utf8ToCp932(xml)), RunStep::GoOn);
    EXPECT_EQ(record.commonData.at(0), "㈱髙①～－");
    EXPECT_EQ(record.insuredData.All().at(0).at(0), "\\~");
}

TEST_F(NotificationReaderTest, LoadFailuresAreKindOneForBadXmlAndKindTwoForMissingInput)
{
    EXPECT_EQ(Read(""), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(Read("これはXMLではありません"), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(Read("<N2018003><a>"), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(Read("<?xml version=\"1.0\"?><!-- only a comment -->"), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(Read("<p:N2018003 xmlns:q=\"urn:x\"/>"), RunStep::GoOn);  // undeclared prefix
    EXPECT_EQ(RecordedKind(), 1);

    EXPECT_EQ(ReadPath(test::Join(fixture.in, "vanished.xml")), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 2);
    test::MakeDir(test::Join(fixture.in, "folder.xml"));
    EXPECT_EQ(ReadPath(test::Join(fixture.in, "folder.xml")), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 2);
    EXPECT_EQ(record.errorFlag, 1);
    ASSERT_EQ(errors.Records().size(), 1u);
    EXPECT_EQ(errors.Records()[0].filePath, test::Join(fixture.in, "folder.xml"));
}

TEST_F(NotificationReaderTest, OnlyTheExactSupportedIdsAreAccepted)
{
    NotificationSpec wanted;
    wanted.formId = "N2008005";
    const std::string good = Generated(wanted);
    for (const std::string wrong : {"N2008006", "n2008005", "N20080050", "x:N2008005"}) {
        std::string xml = good;
        for (std::size_t at = xml.find("N2008005"); at != std::string::npos; at = xml.find("N2008005", at + 1)) {
            xml.replace(at, 8, wrong);
            at += wrong.size() - 1;
        }
        if (wrong.find(':') != std::string::npos) {
            xml.replace(xml.find("<x:N2008005>"), 12, "<x:N2008005 xmlns:x=\"urn:x\">");
        }
        SCOPED_TRACE(wrong);
        EXPECT_EQ(Read(xml), RunStep::GoOn);
        EXPECT_EQ(RecordedKind(), 1);
    }
    // A declaration, a comment and a processing instruction before the document element are fine.
    std::string prolog = good;
    prolog.insert(prolog.find("<N2008005>"), "<!-- 送付用 --><?app x?>\n");
    EXPECT_EQ(Read(prolog), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), -1);
    EXPECT_EQ(record.styleNum, "N2008005");
    EXPECT_TRUE(record.commonData.empty());
    EXPECT_EQ(record.insuredData.Size(), 1u);
}

TEST_F(NotificationReaderTest, PersonRecordsAreRequiredAndReadInDocumentOrderUntilOneFails)
{
    NotificationSpec wanted;
    wanted.formId = "N7100001";
    wanted.fault = Fault::NoPersonRecord;
    EXPECT_EQ(Read(Generated(wanted)), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);

    // Three records, the second one broken: the file fails.
    wanted.fault = Fault::None;
    wanted.persons = 1;
    const std::string one = Generated(wanted);
    const std::size_t start = one.find("<_被保険者>");
    const std::size_t end = one.find("</_被保険者>") + std::string("</_被保険者>").size();
    const std::string person = one.substr(start, end - start);
    std::string broken = person;
    broken.insert(broken.find('>') + 1, "<未定義項目/>");
    std::string xml = one;
    xml.insert(end, broken + person);
    EXPECT_EQ(Read(xml), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(record.errorFlag, 1);

    // Records nested anywhere below the document element count, in document order.
    std::string nested = one;
    nested.insert(end, "<群><_被保険者>" + person.substr(std::string("<_被保険者>").size()) + "</群>");
    EXPECT_EQ(Read(nested), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), -1);
    ASSERT_EQ(record.insuredData.Size(), 2u);
    EXPECT_EQ(record.insuredData.All()[0], record.insuredData.All()[1]);
}

TEST_F(NotificationReaderTest, FileModeSetsTheBarToTheRootsChildrenAndAdvancesPerField)
{
    NotificationSpec wanted;
    wanted.formId = "N2018003";
    wanted.persons = 2;
    fixture.window.fileMode = true;
    ASSERT_EQ(Read(Generated(wanted)), RunStep::GoOn);
    // 16 common fields and 2 records: 18 children, all of them counted.
    EXPECT_EQ(fixture.window.barMaximum, 18);
    EXPECT_EQ(fixture.window.barPosition, 18);

    wanted.fault = Fault::MissingField;
    ASSERT_EQ(Read(Generated(wanted)), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(fixture.window.barMaximum, 1);  // a failure in file mode fills the bar
    EXPECT_EQ(fixture.window.barPosition, 1);
}

// The reader reads as a stream; what it reports must stay what a loaded document gives, in the
// same order of precedence.
TEST_F(NotificationReaderTest, StreamedReadingKeepsTheOrderOfPrecedence)
{
    NotificationSpec wanted;
    wanted.formId = "N2018003";
    wanted.persons = 2;
    const std::string good = Generated(wanted);
    auto element = [&](const std::string& name) {
        const std::size_t start = good.find("<" + name + ">");
        const std::string end = "</" + name + ">";
        return good.substr(start, good.find(end, start) + end.size() - start);
    };
    auto insertBefore = [](std::string text, const std::string& where, const std::string& what) {
        return text.insert(text.find(where), what);
    };
    auto reason = [&] { return errors.Records().back().reason; };
    const std::string close = "</N2018003>";
    const std::string person = element("_被保険者");
    const std::string firstCommon = element("事業所整理記号x郡市区記号");

    // A field mismatch early, a broken end tag at the very end: the parser's words, exactly the
    // loaded document's.
    std::string late = insertBefore(good, "<_被保険者>", "<未定義項目/>");
    late.replace(late.rfind(close), close.size(), "</N2018003");
    XmlDocument loaded;
    ASSERT_EQ(loaded.LoadFromMemory(late), XmlDocument::LoadStatus::NotWellFormed);
    EXPECT_EQ(Read(late), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(reason(), loaded.Problem());

    // A person record's mismatch, then a common field repeated after the records: the common
    // part's mismatch wins.
    const std::string both = insertBefore(insertBefore(good, "</_被保険者>", "<未定義項目/>"), close, firstCommon);
    EXPECT_EQ(Read(both), RunStep::GoOn);
    EXPECT_EQ(reason(), FieldProblemReason(FieldProblem::RepeatedElement, "N2018003", "事業所整理記号x郡市区記号",
                                           {FieldPlace::Part::Common}));

    // The common part after the person records reads as before them.
    ASSERT_EQ(Read(good), RunStep::GoOn);
    const std::string wantedCsv = Csv();
    std::string moved = good;
    const std::size_t commonStart = moved.find(firstCommon);
    const std::string common = moved.substr(commonStart, moved.find("<_被保険者>") - commonStart);
    moved.erase(commonStart, common.size());
    moved = insertBefore(moved, close, common);
    ASSERT_EQ(Read(moved), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), -1);
    EXPECT_EQ(Csv(), wantedCsv);

    // A person record nested inside a record's field comes after that record: broken, it is
    // the second record's mismatch.
    std::string brokenInner = person;
    brokenInner.insert(brokenInner.find('>') + 1, "<未定義項目/>");
    const std::string nested = insertBefore(good, "</備考>", brokenInner);
    EXPECT_EQ(Read(nested), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), 1);
    EXPECT_EQ(reason(), FieldProblemReason(FieldProblem::UndefinedElement, "N2018003", "未定義項目",
                                           {FieldPlace::Part::Person, 2}));
    // Whole, it is one more record, after the one that holds it.
    const std::string nestedWhole = insertBefore(good, "</備考>", person);
    ASSERT_EQ(Read(nestedWhole), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), -1);
    EXPECT_EQ(record.insuredData.Size(), 3u);
}

// Plain notifications are read without a tree, everything else by the streamed walk: whichever
// reads a document, the record or the failure must be the streamed walk's own.
TEST_F(NotificationReaderTest, PlainDocumentsReadWithoutATreeGiveTheStreamedWalksResult)
{
    const NotificationLoader loader(forms);
    auto walked = [&](const std::string& xml) {
        bool reasonWanted = false;
        std::size_t at = 0;
        return loader.LoadFromStream(
            [&](char* buffer, int length) {
                const std::size_t count = std::min(xml.size() - at, static_cast<std::size_t>(length));
                xml.copy(buffer, count, at);
                at += count;
                return static_cast<int>(count);
            },
            reasonWanted);
    };
    auto sameAsWalked = [&](const std::string& xml, bool plain = false) {
        EXPECT_EQ(PlainNotificationWalk(forms).Run(xml), plain) << xml;
        const LoadResult read = loader.LoadFromMemory(xml);
        const LoadResult expected = walked(xml);
        ASSERT_EQ(read.has_value(), expected.has_value()) << xml;
        if (!read) {
            EXPECT_EQ(read.error(), expected.error()) << xml;
            return;
        }
        EXPECT_EQ(read->styleNum, expected->styleNum);
        EXPECT_EQ(read->commonData, expected->commonData) << xml;
        EXPECT_EQ(read->insuredData.All(), expected->insuredData.All()) << xml;
    };
    NotificationSpec wanted;
    wanted.formId = "N2018003";
    wanted.persons = 2;
    const std::string good = Generated(wanted);
    auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const std::string field = "<事業所整理記号x郡市区記号>";
    const std::string fieldEnd = "</事業所整理記号x郡市区記号>";
    const std::size_t fieldAt = good.find(field);
    const std::string whole = good.substr(fieldAt, good.find(fieldEnd, fieldAt) + fieldEnd.size() - fieldAt);
    // Plain: a stylesheet and a comment before the document element, attributes, references to
    // characters, line breaks and a field of white space only.
    sameAsWalked(
        replaced(replaced(good, "<N2018003>", "<?xml-stylesheet href=\"a.xsl\"?><!-- c -->\n<N2018003 a=\"1\">"), whole,
                 field + " \r\n\t " + fieldEnd),
        true);
    sameAsWalked(good, true);
    sameAsWalked(replaced(good, field, field + "A&amp;B&#x3042;\r\n&lt;"), true);
    sameAsWalked(replaced(good, field, "<事業所整理記号x郡市区記号 b=\"2\">   "), true);
    // White space first in a field and followed by a carriage return is left out of a loaded
    // field, unless xml:space says to keep it.
    sameAsWalked(replaced(good, field, field + "\t\t\r\t07\r\n  "), true);
    sameAsWalked(replaced(good, field, "<事業所整理記号x郡市区記号 xml:space=\"preserve\">  \r\n"), true);
    sameAsWalked(replaced(good, field, field + "&#32;&#9;\r7"), true);
    sameAsWalked(replaced(good, field, field + "&#32;\r7"));
    // Read by the streamed walk: markup, a section, a comment or text among the fields, a field
    // missing or repeated, a document type, no person record, another form, broken markup.
    for (const std::string& changed :
         {replaced(good, field, field + "<b>1</b>"), replaced(good, field, field + "<![CDATA[<a>]]>"),
          replaced(good, "<_被保険者>", "<_被保険者><!-- c -->"), replaced(good, "<_被保険者>", "<_被保険者>text"),
          replaced(good, "<_被保険者>", "<_被保険者><?pi?>"), replaced(good, whole, "<未定義項目/>"),
          replaced(good, "<_被保険者>", whole + "<_被保険者>"),
          replaced(good, "<N2018003>", "<!DOCTYPE N2018003><N2018003>"),
          good.substr(0, good.find("<_被保険者>")) + "</N2018003>", replaced(good, "N2018003>", "N9999999>"),
          good.substr(0, good.size() - 3), good + std::string(2, '\0')}) {
        sameAsWalked(changed);
    }
    // A form without common fields takes any child whole, with the person records inside it.
    wanted.formId = "N7120002";
    const std::string wrapped = Generated(wanted);
    ASSERT_NE(wrapped.find("<_被保険者>"), std::string::npos);
    sameAsWalked(wrapped, true);
    sameAsWalked(
        replaced(replaced(wrapped, "<_被保険者>", "<束><a>x</a><_被保険者>"), "</N7120002>", "</束></N7120002>"), true);
    // A single-record form.
    wanted.formId = "N2069001";
    sameAsWalked(Generated(wanted), true);
}

TEST_F(NotificationReaderTest, RecordsBeyondTheMemoryLimitGoToATemporaryFileAndReadTheSame)
{
    NotificationSpec wanted;
    wanted.formId = "N7130001";
    wanted.persons = 12000;
    const auto notification = gen::Generate(forms, wanted);
    ASSERT_EQ(Read(notification.bytes), RunStep::GoOn);
    EXPECT_EQ(RecordedKind(), -1);
    ASSERT_TRUE(record.insuredData.Spilled());
    EXPECT_EQ(record.insuredData.Size(), 12000u);
    EXPECT_EQ(Csv(), notification.expectedCsv);

    // A temporary folder that takes no file: the file fails as a write would, the run goes on.
    const test::ScopedEnv noTemp("TMPDIR", test::Join(fixture.in, "missing"));
#ifdef _WIN32
    GTEST_SKIP() << "the temporary folder is the system's on Windows";
#endif
    ASSERT_EQ(Read(notification.bytes), RunStep::GoOn);
    ASSERT_EQ(RecordedKind(), 3);
    EXPECT_EQ(errors.Records().back().reason.rfind(ScratchFileReason(""), 0), 0u) << errors.Records().back().reason;
}

}  // namespace
}  // namespace tenvor
