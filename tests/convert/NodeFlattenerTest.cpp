// The acceptance rule and the values of the flattening: every child must be a defined field,
// every definition matched by exactly one child, values in definition order.
#include <gtest/gtest.h>

#include "convert/CsvRendering.h"
#include "convert/NodeFlattener.h"
#include "convert/NotificationLoader.h"
#include "convert/XmlDocument.h"
#include "forms/DataTbl.h"
#include "forms/FormCatalogue.h"
#include "state/ProgressTracker.h"
#include "support/RecordingFrontEnd.h"

namespace tenvor {
namespace {

class NodeFlattenerTest : public ::testing::Test {
protected:
    // Flattens the children of the document element of xml for the form: 0 with the values as
    // one CSV line (quoted as the CSV file quotes them, "\n" at the end), or 1 with line empty.
    int Flatten(const std::string& formId, int dataType, const std::string& xml, std::string& line,
                ProgressTracker* progress = nullptr)
    {
        XmlDocument document;
        EXPECT_EQ(document.LoadFromMemory(xml), XmlDocument::LoadStatus::Ok) << xml;
        line.clear();
        const FormEntry* form = forms.Find(formId);
        EXPECT_NE(form, nullptr) << formId;
        const auto values = flattener.NodeListToCString(document.Root(), dataType, *form, progress);
        if (!values) {
            return 1;
        }
        for (std::size_t i = 0; i < values->size(); ++i) {
            line += (i ? "," : "") + QuoteCsvField((*values)[i]);
        }
        line += "\n";
        return 0;
    }

    // An element per name with the given values.
    static std::string Fields(const std::vector<std::string>& names, const std::vector<std::string>& values)
    {
        std::string xml;
        for (std::size_t i = 0; i < names.size(); ++i) {
            xml += "<" + names[i] + ">" + values[i] + "</" + names[i] + ">";
        }
        return xml;
    }

    std::vector<std::string> Names(const std::string& formId, int list) const
    {
        return DataTbl::GetNodeNameList(table.dataDifMap.at(formId)[static_cast<std::size_t>(list)]);
    }

    std::vector<std::string> Numbered(std::size_t count) const
    {
        std::vector<std::string> values;
        for (std::size_t i = 0; i < count; ++i) {
            values.push_back("v" + std::to_string(i));
        }
        return values;
    }

    std::string Joined(const std::vector<std::string>& values) const
    {
        std::string line;
        for (std::size_t i = 0; i < values.size(); ++i) {
            line += (i ? "," : "") + values[i];
        }
        return line + "\n";
    }

    const DataTbl table;
    const FormCatalogue forms;
    const NodeFlattener flattener{};
};

TEST_F(NodeFlattenerTest, ColumnsFollowTheDefinitionsWhateverTheElementOrder)
{
    const auto names = Names("N2018003", kInsuredList);
    const auto values = Numbered(names.size());
    std::string forward, backward;
    ASSERT_EQ(Flatten("N2018003", kInsuredList, "<r>" + Fields(names, values) + "</r>", forward), 0);
    const std::vector<std::string> reversedNames(names.rbegin(), names.rend());
    const std::vector<std::string> reversedValues(values.rbegin(), values.rend());
    ASSERT_EQ(Flatten("N2018003", kInsuredList, "<r>" + Fields(reversedNames, reversedValues) + "</r>", backward), 0);
    EXPECT_EQ(forward, Joined(values));
    EXPECT_EQ(backward, forward);
}

TEST_F(NodeFlattenerTest, AMissingFieldFailsButAnEmptyOneGivesAnEmptyColumn)
{
    auto names = Names("N4002002", kInsuredList);
    auto values = Numbered(names.size());
    values[1] = "";
    values[2] = "  \n\t ";  // white space only: no content at all
    std::string line = "left over";
    ASSERT_EQ(Flatten("N4002002", kInsuredList, "<r>" + Fields(names, values) + "</r>", line), 0);
    auto expected = values;
    expected[1] = expected[2] = "";
    EXPECT_EQ(line, Joined(expected));

    names.erase(names.begin() + 3);
    values.erase(values.begin() + 3);
    EXPECT_EQ(Flatten("N4002002", kInsuredList, "<r>" + Fields(names, values) + "</r>", line), 1);
    EXPECT_EQ(line, "");
}

TEST_F(NodeFlattenerTest, ARepeatedFieldFailsEvenWhenItMasksAMissingOne)
{
    // In a person record and in the common part alike: field 0 twice fails, and so does field 0
    // twice with field 5 missing (the counts agree, but a column would be lost).
    for (const int list : {kInsuredList, kCommonList}) {
        const auto names = Names("N4002002", list);
        const auto values = Numbered(names.size());
        const std::string again = "<" + names[0] + ">later</" + names[0] + ">";
        auto withoutFive = names;
        auto valuesWithoutFive = values;
        withoutFive.erase(withoutFive.begin() + 5);
        valuesWithoutFive.erase(valuesWithoutFive.begin() + 5);
        for (const std::string& fields : {Fields(names, values) + again, Fields(withoutFive, valuesWithoutFive) + again,
                                          again + Fields(withoutFive, valuesWithoutFive)}) {
            std::string line = "stale";
            EXPECT_EQ(Flatten("N4002002", list, "<r>" + fields + "</r>", line), 1) << list << ": " << fields;
            EXPECT_EQ(line, "");
        }
    }
}

TEST_F(NodeFlattenerTest, CommentsInstructionsTextAndUnknownElementsFailTheRecord)
{
    const auto names = Names("N2018003", kInsuredList);
    const auto values = Numbered(names.size());
    const std::string fields = Fields(names, values);
    std::string line;
    for (const std::string& intruder :
         {std::string("<!-- note -->"), std::string("<?pi data?>"), std::string("loose text"),
          std::string("<未定義項目>1</未定義項目>"), std::string("<_被保険者>") + fields + "</_被保険者>",
          std::string("<![CDATA[x]]>"), "<p:" + names[0] + " xmlns:p=\"urn:x\">v</p:" + names[0] + ">"}) {
        SCOPED_TRACE(intruder);
        EXPECT_EQ(Flatten("N2018003", kInsuredList, "<r>" + fields + intruder + "</r>", line), 1);
        EXPECT_EQ(line, "");
    }
}

TEST_F(NodeFlattenerTest, TheCommonPassSkipsPersonRecordsAndAnEmptyListAcceptsAnything)
{
    const auto common = Names("N2018003", kCommonList);
    const auto values = Numbered(common.size());
    std::string line;
    const std::string person = "<_被保険者><x/></_被保険者>";
    ASSERT_EQ(Flatten("N2018003", kCommonList, "<r>" + person + Fields(common, values) + person + "</r>", line), 0);
    EXPECT_EQ(line, Joined(values));

    ASSERT_EQ(Flatten("N7100001", kCommonList, "<r><anything/><!-- c -->text" + person + "</r>", line), 0);
    EXPECT_EQ(line, "\n");
}

TEST_F(NodeFlattenerTest, ValuesAreTextForCharacterDataAndMarkupForElements)
{
    auto names = Names("N4002002", kInsuredList);
    std::vector<std::string> values = Numbered(names.size());
    values[0] = "A&amp;B &lt;x&gt; &#x41;";
    values[1] = "<![CDATA[A&B <raw>]]>";
    values[2] = "<b>x</b>";
    values[3] = "<b>1</b>\n   <c a=\"q\">2&amp;3</c>";
    values[4] = "50%";
    values[5] = "<![CDATA[a]]>tail";
    std::string line;
    ASSERT_EQ(Flatten("N4002002", kInsuredList, "<r>" + Fields(names, values) + "</r>", line), 0);
    auto expected = Numbered(names.size());
    expected[0] = "A&B <x> A";
    expected[1] = "A&B <raw>";
    expected[2] = "<b>x</b>";
    expected[3] = "\"<b>1</b><c a=\"\"q\"\">2&amp;3</c>\"";  // quoted: it holds double quotes
    expected[4] = "50%";
    expected[5] = "atail";
    EXPECT_EQ(line, Joined(expected));
}

// The loader reads notifications as a stream, one field expanded at a time: the values must be
// those of the whole loaded document, markup, sections, references and namespaces included.
TEST_F(NodeFlattenerTest, StreamedReadingGivesTheLoadedDocumentsValues)
{
    const auto common = Names("N2018003", kCommonList);
    const auto insured = Names("N2018003", kInsuredList);
    std::vector<std::string> values = Numbered(common.size());
    values[0] = "A&amp;B &lt;x&gt; &#x41; &co;";
    values[1] = "<![CDATA[A&B <raw>]]>";
    values[2] = "<p:b xmlns:p=\"urn:x\">x<!-- c --><?pi d?></p:b>";
    values[3] = "<b>1</b>\n   <c a=\"q\">2&amp;3 &co;</c>";
    values[4] = "  <![CDATA[a]]> tail  ";
    values[5] = "<e/>&co;";
    const std::string person = "<_被保険者>" + Fields(insured, Numbered(insured.size())) + "</_被保険者>";
    const std::string xml = "<!DOCTYPE N2018003 [<!ENTITY co \"㈱青葉\">]>\n<N2018003 xmlns:q=\"urn:q\">\n " +
                            Fields(common, values) + "\n" + person + "</N2018003>";
    std::string line;
    ASSERT_EQ(Flatten("N2018003", kCommonList, xml, line), 0);
    const NotificationLoader loader(forms);
    const LoadResult streamed = loader.LoadFromMemory(xml);
    ASSERT_TRUE(streamed) << streamed.error().reason;
    std::string streamedLine;
    for (std::size_t i = 0; i < streamed->commonData.size(); ++i) {
        streamedLine += (i ? "," : "") + QuoteCsvField(streamed->commonData[i]);
    }
    EXPECT_EQ(streamedLine + "\n", line);
    EXPECT_EQ(streamed->insuredData.All(), std::vector<std::vector<std::string>>{Numbered(insured.size())});
}

TEST_F(NodeFlattenerTest, InternalEntityReferencesResolveInText)
{
    const auto names = Names("N4002002", kInsuredList);
    auto values = Numbered(names.size());
    values[0] = "&co;様";
    std::string line;
    const std::string xml = "<!DOCTYPE r [<!ENTITY co \"㈱青葉\">]><r>" + Fields(names, values) + "</r>";
    ASSERT_EQ(Flatten("N4002002", kInsuredList, xml, line), 0);
    auto expected = values;
    expected[0] = "㈱青葉様";
    EXPECT_EQ(line, Joined(expected));
}

TEST_F(NodeFlattenerTest, ValuesWithCommasQuotesOrLineBreaksAreQuoted)
{
    const auto names = Names("N4002002", kInsuredList);
    auto values = Numbered(names.size());
    values[0] = "1,000";
    values[1] = "say \"hi\"";
    values[2] = "one\ntwo";
    values[3] = "a&#13;&#10;b&#13;c";
    std::string line;
    ASSERT_EQ(Flatten("N4002002", kInsuredList, "<r>" + Fields(names, values) + "</r>", line), 0);
    auto expected = values;
    expected[0] = "\"1,000\"";
    expected[1] = "\"say \"\"hi\"\"\"";
    expected[2] = "\"one\ntwo\"";
    expected[3] = "\"a\nb\nc\"";
    EXPECT_EQ(line, Joined(expected));
}

TEST_F(NodeFlattenerTest, FileModeProgressAdvancesForCommonAndSingleRecordFieldsOnly)
{
    test::RecordingFrontEnd window;
    ProgressTracker bar(window);
    bar.Begin(1000);
    const auto common = Names("N2018003", kCommonList);
    std::string line;
    ASSERT_EQ(Flatten("N2018003", kCommonList, "<r><_被保険者/>" + Fields(common, Numbered(common.size())) + "</r>",
                      line, &bar),
              0);
    EXPECT_EQ(window.barPosition, static_cast<int>(common.size()));

    const auto insured = Names("N2018003", kInsuredList);
    ASSERT_EQ(Flatten("N2018003", kInsuredList, "<r>" + Fields(insured, Numbered(insured.size())) + "</r>", line, &bar),
              0);
    EXPECT_EQ(window.barPosition, static_cast<int>(common.size()));

    bar.Begin(1000);
    const auto single = Names("N2069001", kInsuredList);
    ASSERT_EQ(Flatten("N2069001", kInsuredList, "<r>" + Fields(single, Numbered(single.size())) + "</r>", line, &bar),
              0);
    EXPECT_EQ(window.barPosition, static_cast<int>(single.size()));
}

}  // namespace
}  // namespace tenvor
