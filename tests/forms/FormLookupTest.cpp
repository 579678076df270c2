#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "forms/DataTbl.h"
#include "forms/FormLookup.h"
#include "forms/StyleNumList.h"

namespace tenvor {
namespace {

TEST(FormLookup, FindsFieldPositionsOfEveryList)
{
    const DataTbl table;
    const FormLookup lookup(table);
    const FormEntry* form = lookup.Find("N4002002");
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->singleRecord);
    EXPECT_EQ(form->lists[0]->Find("船舶所有者整理記号"), 0);
    EXPECT_EQ(form->lists[0]->Find("年金事務所名"), 11);
    EXPECT_EQ(form->lists[1]->Find("決定後の標準賞与額x厚年"), 12);
    EXPECT_EQ(form->lists[1]->Find("年金事務所名"), -1);
    EXPECT_TRUE(lookup.Find("N2070001")->singleRecord);
    for (const char* rejected : {"N2008006", "n2008005", "N20080050", "N200800", "", "X2008005"}) {
        EXPECT_EQ(lookup.Find(rejected), nullptr) << rejected;
    }
}

TEST(FormLookup, ListsTheCatalogueInItsOrder)
{
    const DataTbl table;
    const FormLookup lookup(table);
    ASSERT_EQ(lookup.Forms().size(), styleNumList.size());
    ASSERT_EQ(lookup.Definitions().size(), styleNumList.size());
    for (std::size_t i = 0; i < styleNumList.size(); ++i) {
        const FormEntry& entry = lookup.Forms()[i];
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(entry.id, styleNumList[i]);
        EXPECT_EQ(lookup.Find(styleNumList[i]), &entry);
        EXPECT_EQ(entry.singleRecord, IsSingleRecordForm(styleNumList[i]));
        const DataDifLists& lists = table.dataDifMap.at(entry.id);
        EXPECT_EQ(entry.lists[kCommonList]->Names(), DataTbl::GetNodeNameList(lists[kCommonList]));
        EXPECT_EQ(entry.lists[kInsuredList]->Names(), DataTbl::GetNodeNameList(lists[kInsuredList]));
        EXPECT_EQ(lookup.Definitions()[i], *table.Definition(entry.id));
    }
}

FormDefinition MadeUpForm(std::string id, bool singleRecord, std::vector<std::string> insuredNames)
{
    FormDefinition form;
    form.id = std::move(id);
    form.singleRecord = singleRecord;
    int bytes = 1;
    for (std::string& name : insuredNames) {
        DataTbl::SetDataDifinition(form.insuredList, std::move(name), bytes++);
    }
    return form;
}

TEST(FormLookup, TakesFormsBeyondTheCatalogueAndReplacementsInTheirPlace)
{
    std::vector<FormDefinition> forms = DataTbl().Definitions();
    forms.push_back(MadeUpForm("N9990001", false, {"氏名", "番号"}));
    forms.push_back(MadeUpForm("N2018003", true, {"差し替え"}));
    forms.push_back(MadeUpForm("N9990002", true, {"項目"}));
    forms.push_back(MadeUpForm("N9990001", true, {"番号", "氏名", "備考"}));
    const FormLookup lookup(std::move(forms));

    ASSERT_EQ(lookup.Forms().size(), styleNumList.size() + 2);
    for (std::size_t i = 0; i < styleNumList.size(); ++i) {
        EXPECT_EQ(lookup.Forms()[i].id, styleNumList[i]);
    }
    EXPECT_EQ(lookup.Forms()[styleNumList.size()].id, "N9990001");
    EXPECT_EQ(lookup.Forms()[styleNumList.size() + 1].id, "N9990002");

    // The later definition of an id is the one found, in the earlier one's place.
    const FormEntry* replaced = lookup.Find("N2018003");
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(replaced, &lookup.Forms()[static_cast<std::size_t>(StyleNumPosition("N2018003"))]);
    EXPECT_TRUE(replaced->singleRecord);
    EXPECT_EQ(replaced->lists[kCommonList]->Size(), 0);
    EXPECT_EQ(replaced->lists[kInsuredList]->Names(), (std::vector<std::string>{"差し替え"}));

    const FormEntry* added = lookup.Find("N9990001");
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(added->singleRecord);
    EXPECT_EQ(added->lists[kInsuredList]->Find("備考"), 2);
    EXPECT_EQ(added->lists[kInsuredList]->Find("氏名"), 1);
    EXPECT_EQ(lookup.Definitions()[styleNumList.size()].insuredList.back(), (StDataDif{"備考", 3}));

    // The forms nobody replaced are untouched.
    EXPECT_EQ(lookup.Find("N4002002")->lists[kCommonList]->Find("年金事務所名"), 11);
    EXPECT_EQ(lookup.Find("N9990003"), nullptr);
}

TEST(FormLookup, BuiltFromNoFormsFindsNothing)
{
    const FormLookup lookup(std::vector<FormDefinition>{});
    EXPECT_TRUE(lookup.Forms().empty());
    EXPECT_EQ(lookup.Find("N2018003"), nullptr);
}

}  // namespace
}  // namespace tenvor
