// The notification generator takes its forms from what it is given: the built-in catalogue or any
// sequence of form definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "NotificationGenerator.h"
#include "forms/DataTbl.h"
#include "forms/FormCatalogue.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

FormDefinition MadeUpForm(std::string id, bool singleRecord)
{
    FormDefinition form;
    form.id = std::move(id);
    form.singleRecord = singleRecord;
    if (!singleRecord) {
        DataTbl::SetDataDifinition(form.commonList, "事業所名称", 50);
    }
    DataTbl::SetDataDifinition(form.insuredList, "被保険者の氏名", 50);
    DataTbl::SetDataDifinition(form.insuredList, "備考", 40);
    return form;
}

TEST(GeneratedForms, AFolderDrawsOnlyFromTheGivenForms)
{
    const std::vector<FormDefinition> forms = {MadeUpForm("N9990001", false), MadeUpForm("N9990002", true)};
    test::TempDir dir;
    gen::FolderSpec wanted;
    wanted.count = 40;
    wanted.failFraction = 0;
    wanted.minPersons = 2;
    wanted.maxPersons = 2;
    const std::vector<gen::GeneratedFile> files = gen::GenerateFolder(forms, dir.path(), wanted);
    ASSERT_EQ(files.size(), 40u);
    std::map<std::string, int> perForm;
    for (const gen::GeneratedFile& file : files) {
        SCOPED_TRACE(file.name);
        const std::string id = file.name.substr(7, 8);  // 000001_N9990001.xml
        ++perForm[id];
        ASSERT_TRUE(id == "N9990001" || id == "N9990002");
        EXPECT_TRUE(file.convertible);
        // Id, common part and person lines as the form defines them: the common line is empty in
        // the single-record form, which has one record.
        const std::string head = id + "\n[kanri]\n";
        ASSERT_EQ(file.expectedCsv.substr(0, head.size()), head);
        const auto lines = std::count(file.expectedCsv.begin(), file.expectedCsv.end(), '\n');
        EXPECT_EQ(lines, id == "N9990001" ? 6 : 5);
        EXPECT_NE(test::ReadFile(dir / file.name).find("<" + id + ">"), std::string::npos);
    }
    EXPECT_EQ(perForm.size(), 2u);
}

TEST(GeneratedForms, AnIdOutsideTheGivenFormsIsRefused)
{
    const std::vector<FormDefinition> forms = {MadeUpForm("N9990001", false)};
    gen::NotificationSpec wanted;
    wanted.formId = "N2018003";
    EXPECT_THROW((void)gen::Generate(forms, wanted), std::invalid_argument);
    wanted.formId = "N9990001";
    EXPECT_TRUE(gen::Generate(forms, wanted).convertible);
    // The catalogue knows its own forms, not made-up ones.
    EXPECT_THROW((void)gen::Generate(FormCatalogue(), wanted), std::invalid_argument);
    test::TempDir dir;
    EXPECT_THROW((void)gen::GenerateFolder(std::vector<FormDefinition>{}, dir.path(), gen::FolderSpec{}),
                 std::invalid_argument);
}

}  // namespace
}  // namespace tenvor
