#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "forms/DataTbl.h"
#include "forms/StyleNumList.h"

namespace tenvor {
namespace {

struct Counts {
    std::size_t common;
    std::size_t insured;
};

// The number of definitions of each form, list 0 and list 1.
const std::map<std::string, Counts> kExpectedCounts = {
    {"N2008005", {0, 65}},  {"N2009005", {0, 49}}, {"N2018003", {16, 14}}, {"N2043003", {16, 15}},
    {"N2056001", {0, 39}},  {"N2057001", {0, 39}}, {"N2067001", {0, 36}},  {"N2068001", {0, 36}},
    {"N2069001", {0, 35}},  {"N2070001", {0, 35}}, {"N4001004", {18, 23}}, {"N4002002", {12, 13}},
    {"N4003004", {18, 25}}, {"N7100001", {0, 39}}, {"N7100002", {0, 39}},  {"N7110001", {0, 75}},
    {"N7110002", {0, 79}},  {"N7120001", {0, 33}}, {"N7120002", {0, 33}},  {"N7120003", {0, 33}},
    {"N7130001", {0, 31}},  {"N7140001", {0, 31}}, {"N7150001", {0, 32}},  {"N7160001", {0, 33}},
    {"N7170002", {0, 53}},  {"N7170003", {0, 53}}, {"N7180001", {0, 31}},  {"N7190001", {0, 30}},
    {"N7200001", {0, 28}},  {"N7210001", {0, 28}}, {"N7220001", {0, 29}},  {"N7230001", {0, 31}},
    {"N7240001", {0, 29}},
};

TEST(DataTbl, HoldsEveryFormWithItsCountsAnd1274DefinitionsInAll)
{
    const DataTbl table;
    ASSERT_EQ(table.dataDifMap.size(), 33u);
    std::size_t total = 0;
    for (const auto& [id, lists] : table.dataDifMap) {
        SCOPED_TRACE(id);
        ASSERT_EQ(lists.size(), 2u);
        const auto expected = kExpectedCounts.find(id);
        ASSERT_NE(expected, kExpectedCounts.end());
        EXPECT_EQ(lists[0].size(), expected->second.common);
        EXPECT_EQ(lists[1].size(), expected->second.insured);
        total += lists[0].size() + lists[1].size();
    }
    EXPECT_EQ(total, 1274u);
}

TEST(DataTbl, NamesAreDistinctWithinAFormAndLengthsInRange)
{
    const DataTbl table;
    for (const auto& [id, lists] : table.dataDifMap) {
        SCOPED_TRACE(id);
        std::set<std::string> names;
        for (const auto& list : lists) {
            for (const StDataDif& definition : list) {
                EXPECT_TRUE(names.insert(definition.sNodename).second) << definition.sNodename;
                EXPECT_GE(definition.iBytes, 1);
                EXPECT_LE(definition.iBytes, 1000);
            }
        }
    }
}

TEST(DataTbl, FormsThatShareListsHoldEqualCopies)
{
    const DataTbl table;
    const auto& map = table.dataDifMap;
    EXPECT_EQ(map.at("N2018003")[0], map.at("N2043003")[0]);
    EXPECT_NE(map.at("N2018003")[1], map.at("N2043003")[1]);
    for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{{"N2069001", "N2070001"},
                                                                               {"N7100001", "N7100002"},
                                                                               {"N7120001", "N7120002"},
                                                                               {"N7120001", "N7120003"},
                                                                               {"N7170002", "N7170003"}}) {
        EXPECT_EQ(map.at(a), map.at(b)) << a << " " << b;
    }
    // N7110002 is N7110001 with four more definitions at its end.
    const auto& shorter = map.at("N7110001")[1];
    const auto& longer = map.at("N7110002")[1];
    ASSERT_EQ(longer.size(), shorter.size() + 4);
    EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), longer.begin()));
    EXPECT_EQ(longer.back().sNodename, "手作業通知書固定44");
}

TEST(DataTbl, ListsStartAndEndWhereTheFormsDo)
{
    const DataTbl table;
    const auto& map = table.dataDifMap;
    auto first = [&](const char* id, int list) { return map.at(id)[static_cast<std::size_t>(list)].front(); };
    auto last = [&](const char* id, int list) { return map.at(id)[static_cast<std::size_t>(list)].back(); };
    EXPECT_EQ(first("N2008005", 1).sNodename, "通知書名称");
    EXPECT_EQ(last("N2008005", 1).sNodename, "育児休業等終了予定年月日x元号");
    EXPECT_EQ(first("N4001004", 0).sNodename, "船舶所有者整理記号x事務所略称名");
    EXPECT_EQ(first("N4003004", 0).sNodename, "船舶所有者整理記号x事業所略称名");
    EXPECT_EQ(last("N4003004", 0).sNodename, "提出年月日x元号");
    EXPECT_EQ(last("N4003004", 1).sNodename, "変更年月日x元号");
    EXPECT_EQ(last("N7240001", 1).sNodename, "手作業通知書固定文言情報14");
    // Byte lengths belong to the definition, not the name.
    EXPECT_EQ(map.at("N7100001")[1][14], (StDataDif{"ゾルベアからのお知らせ", 800}));
    EXPECT_EQ(map.at("N2008005")[1][9].sNodename, "生年月日x元号");
    EXPECT_EQ(map.at("N2008005")[1][18].sNodename, "養育する子の生年月日x年");
    EXPECT_EQ(map.at("N2009005")[1][18].sNodename, "養育する子の生年月日x年");
}

TEST(DataTbl, GetNodeNameListReturnsTheNamesInOrder)
{
    const DataTbl table;
    EXPECT_TRUE(DataTbl::GetNodeNameList(table.dataDifMap.at("N7110001")[0]).empty());
    const auto& list = table.dataDifMap.at("N2018003")[1];
    const std::vector<std::string> names = DataTbl::GetNodeNameList(list);
    ASSERT_EQ(names.size(), list.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], list[i].sNodename);
    }
    DataDifList built;
    DataTbl::SetDataDifinition(built, "a", 1);
    DataTbl::SetDataDifinition(built, "b", 2);
    EXPECT_EQ(DataTbl::GetNodeNameList(built), (std::vector<std::string>{"a", "b"}));
}

TEST(StyleNumList, HoldsExactlyTheCatalogueIdsWithTheFirstEightSingleRecord)
{
    const DataTbl table;
    std::set<std::string> ids;
    for (const auto id : styleNumList) {
        ids.emplace(id);
        EXPECT_TRUE(table.dataDifMap.count(std::string(id)));
    }
    EXPECT_EQ(ids.size(), 33u);
    ASSERT_EQ(styleNumList.size(), std::size(DataTbl::builtInForms));
    for (std::size_t i = 0; i < styleNumList.size(); ++i) {
        EXPECT_EQ(DataTbl::builtInForms[i].singleRecord, i < 8) << styleNumList[i];
        EXPECT_EQ(table.dataDifMap.at(std::string(styleNumList[i]))[0].empty(), i < 8 || styleNumList[i][1] == '7');
    }
}

TEST(DataTbl, BuiltInFormsFollowTheRowsAndMatchTheMap)
{
    const DataTbl table;
    const std::vector<FormDefinition> forms = BuildBuiltInForms();
    ASSERT_EQ(forms.size(), std::size(DataTbl::builtInForms));
    ASSERT_EQ(forms.size(), styleNumList.size());
    for (std::size_t i = 0; i < forms.size(); ++i) {
        SCOPED_TRACE(forms[i].id);
        EXPECT_EQ(forms[i].id, styleNumList[i]);
        EXPECT_EQ(forms[i].singleRecord, DataTbl::builtInForms[i].singleRecord);
        // A single-record form has no common part.
        EXPECT_TRUE(!forms[i].singleRecord || forms[i].commonList.empty());
        const DataDifLists& lists = table.dataDifMap.at(forms[i].id);
        EXPECT_EQ(forms[i].commonList, lists[kCommonList]);
        EXPECT_EQ(forms[i].insuredList, lists[kInsuredList]);
    }
}

}  // namespace
}  // namespace tenvor
