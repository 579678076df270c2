#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "forms/DataTbl.h"
#include "forms/FormCatalogue.h"
#include "forms/StyleNumList.h"

namespace tenvor {
namespace {

TEST(FormCatalogue, FindsFieldPositionsOfEveryList)
{
    const FormCatalogue catalogue;
    const FormEntry* form = catalogue.Find("N4002002");
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->singleRecord);
    EXPECT_EQ(form->lists[0]->Find("船舶所有者整理記号"), 0);
    EXPECT_EQ(form->lists[0]->Find("年金事務所名"), 11);
    EXPECT_EQ(form->lists[1]->Find("決定後の標準賞与額x厚年"), 12);
    EXPECT_EQ(form->lists[1]->Find("年金事務所名"), -1);
    EXPECT_TRUE(catalogue.Find("N2070001")->singleRecord);
    for (const char* rejected : {"N2008006", "n2008005", "N20080050", "N200800", "", "X2008005"}) {
        EXPECT_EQ(catalogue.Find(rejected), nullptr) << rejected;
        EXPECT_EQ(catalogue.Definition(rejected), nullptr) << rejected;
    }
}

TEST(FormCatalogue, ListsTheBuiltInFormsInTheOrderOfTheRows)
{
    const DataTbl table;
    const FormCatalogue catalogue;
    ASSERT_EQ(catalogue.Forms().size(), styleNumList.size());
    ASSERT_EQ(catalogue.Definitions().size(), styleNumList.size());
    for (std::size_t i = 0; i < styleNumList.size(); ++i) {
        const FormEntry& entry = catalogue.Forms()[i];
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(entry.id, styleNumList[i]);
        EXPECT_EQ(catalogue.Find(styleNumList[i]), &entry);
        EXPECT_EQ(catalogue.Definition(styleNumList[i]), &catalogue.Definitions()[i]);
        EXPECT_EQ(entry.singleRecord, i < 8);
        EXPECT_EQ(entry.singleRecord, catalogue.Definitions()[i].singleRecord);
        EXPECT_TRUE(entry.filePath.empty());
        const DataDifLists& lists = table.dataDifMap.at(entry.id);
        EXPECT_EQ(entry.lists[kCommonList]->Names(), DataTbl::GetNodeNameList(lists[kCommonList]));
        EXPECT_EQ(entry.lists[kInsuredList]->Names(), DataTbl::GetNodeNameList(lists[kInsuredList]));
        EXPECT_EQ(catalogue.Definitions()[i].commonList, lists[kCommonList]);
        EXPECT_EQ(catalogue.Definitions()[i].insuredList, lists[kInsuredList]);
    }
}

FileForm MadeUpForm(std::string id, bool singleRecord, std::vector<std::string> insuredNames)
{
    FileForm form;
    form.definition.id = std::move(id);
    form.definition.singleRecord = singleRecord;
    form.filePath = "/forms/" + form.definition.id + ".tsv";
    int bytes = 1;
    for (std::string& name : insuredNames) {
        DataTbl::SetDataDifinition(form.definition.insuredList, std::move(name), bytes++);
    }
    return form;
}

TEST(FormCatalogue, FormFilesReplaceFormsInTheirPlaceAndAddFormsAfterThem)
{
    std::vector<FileForm> files;
    files.push_back(MadeUpForm("N9990001", false, {"氏名", "番号"}));
    files.push_back(MadeUpForm("N2018003", true, {"差し替え"}));
    files.push_back(MadeUpForm("N9990002", true, {"項目"}));
    files.push_back(MadeUpForm("N9990001", true, {"番号", "氏名", "備考"}));
    const FormCatalogue catalogue(std::move(files));

    ASSERT_EQ(catalogue.Forms().size(), styleNumList.size() + 2);
    for (std::size_t i = 0; i < styleNumList.size(); ++i) {
        EXPECT_EQ(catalogue.Forms()[i].id, styleNumList[i]);
    }
    EXPECT_EQ(catalogue.Forms()[styleNumList.size()].id, "N9990001");
    EXPECT_EQ(catalogue.Forms()[styleNumList.size() + 1].id, "N9990002");

    // The file's form is the one found, in the built-in form's place, with its file.
    const FormEntry* replaced = catalogue.Find("N2018003");
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(replaced, &catalogue.Forms()[8]);
    EXPECT_EQ(styleNumList[8], "N2018003");
    EXPECT_TRUE(replaced->singleRecord);
    EXPECT_EQ(replaced->filePath, "/forms/N2018003.tsv");
    EXPECT_EQ(replaced->lists[kCommonList]->Size(), 0);
    EXPECT_EQ(replaced->lists[kInsuredList]->Names(), (std::vector<std::string>{"差し替え"}));
    EXPECT_EQ(catalogue.Definition("N2018003")->insuredList, (DataDifList{{"差し替え", 1}}));

    // Of one id given twice, the later form wins, in the earlier one's place.
    const FormEntry* added = catalogue.Find("N9990001");
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(added->singleRecord);
    EXPECT_EQ(added->lists[kInsuredList]->Find("備考"), 2);
    EXPECT_EQ(added->lists[kInsuredList]->Find("氏名"), 1);
    EXPECT_EQ(catalogue.Definitions()[styleNumList.size()].insuredList.back(), (StDataDif{"備考", 3}));

    // The forms no file replaced are untouched.
    EXPECT_EQ(catalogue.Find("N4002002")->lists[kCommonList]->Find("年金事務所名"), 11);
    EXPECT_TRUE(catalogue.Find("N4002002")->filePath.empty());
    EXPECT_EQ(catalogue.Find("N9990003"), nullptr);
}

// The engine replaces its catalogue by assignment while its reader keeps referring to it: the
// lookups of a catalogue moved into another must work there.
TEST(FormCatalogue, AMovedCatalogueFindsWhatItFoundBefore)
{
    std::vector<FileForm> files;
    files.push_back(MadeUpForm("N9990001", false, {"氏名", "番号"}));
    FormCatalogue moved(std::move(files));
    FormCatalogue target;
    const FormEntry* before = moved.Find("N9990001");
    target = std::move(moved);
    const FormEntry* after = target.Find("N9990001");
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after, before);
    EXPECT_EQ(after->lists[kInsuredList]->Find("番号"), 1);
    EXPECT_EQ(target.Find("N2018003")->lists[kCommonList]->Size(), 16);
    EXPECT_EQ(target.Forms().size(), styleNumList.size() + 1);
}

}  // namespace
}  // namespace tenvor
