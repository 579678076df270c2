// Drafting from files and ZIP packages as a run reads them, the words shown before saving, and
// saving: the file written whole, the one it replaces kept below forms/old/ and never read as a
// form, nothing lost or changed when saving is refused.
#include <gtest/gtest.h>

#include <regex>
#include <span>

#include "NotificationGenerator.h"
#include "PackageGenerator.h"
#include "ZipBuilder.h"
#include "forms/FormCatalogue.h"
#include "forms/FormFile.h"
#include "forms/FormFolder.h"
#include "run/FormDraftSaving.h"
#include "run/FormDraftSources.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// N7130001 as an issuer revised it: its third field renamed.
FormDefinition Revised()
{
    FormDefinition form = *FormCatalogue().Definition("N7130001");
    form.insuredList[2].sNodename = "通知日";
    return form;
}

std::string Notification(const FormDefinition& form, std::uint32_t seed, int persons = 2)
{
    gen::NotificationSpec wanted;
    wanted.formId = form.id;
    wanted.persons = persons;
    wanted.seed = seed;
    return gen::Generate(std::span<const FormDefinition>(&form, 1), wanted).bytes;
}

class FormDraftSaving : public ::testing::Test {
protected:
    std::string Forms() const { return home / "forms"; }

    FormDraft DraftOf(const std::vector<DraftSource>& sources)
    {
        Expected<FormDraft, DraftRefusal> draft = DraftForm(sources, home.path());
        EXPECT_TRUE(draft) << (draft ? "" : DescribeDraftRefusal(draft.error()));
        return draft ? *draft : FormDraft{};
    }

    TempDir home;
    TempDir in;
};

TEST_F(FormDraftSaving, AZipGivesItsNotificationsAndPassesOverItsCoverLetterAndStylesheets)
{
    const FormDefinition revised = Revised();
    gen::ZipBuilder zip;
    zip.Add("123/123.xml", "<?xml version=\"1.0\"?><DOC><件名>送付書</件名></DOC>");
    zip.Add("123/7130001.xsl", "<xsl/>");
    zip.Add("123/7130001.xml", Notification(revised, 1));
    zip.Add("123/7130001_2.xml", Notification(revised, 2, 3));
    WriteFile(in / "dl.zip", zip.Finish());

    const FormDraft draft = DraftOf({{in / "dl.zip", {}}});
    // Every field but the renamed one keeps its length.
    ASSERT_EQ(draft.form.insuredList.size(), revised.insuredList.size());
    for (std::size_t i = 0; i < revised.insuredList.size(); ++i) {
        EXPECT_EQ(draft.form.insuredList[i].sNodename, revised.insuredList[i].sNodename);
        if (i != 2) {
            EXPECT_EQ(draft.form.insuredList[i].iBytes, revised.insuredList[i].iBytes) << i;
        }
    }
    EXPECT_EQ(draft.notifications, 2);
    EXPECT_EQ(draft.otherDocuments, 1);
    ASSERT_EQ(draft.differences.size(), 2U);
    EXPECT_EQ(DifferenceLine(draft.differences[0]), "-\tinsured\t3\t通知年月日\t16");
    EXPECT_EQ(draft.differences[1].name, "通知日");
}

TEST_F(FormDraftSaving, ARowOfAZipMemberDraftsFromThatMemberAlone)
{
    const FormCatalogue catalogue;
    const gen::GeneratedPackage package = gen::MakeFlatDownload(catalogue, 3);
    const std::string zip = in / package.fileName;
    WriteFile(zip, package.bytes);

    // Two forms in one download: the whole ZIP cannot be one form.
    const Expected<FormDraft, DraftRefusal> whole = DraftForm({{zip, {}}}, home.path());
    ASSERT_FALSE(whole);
    EXPECT_NE(whole.error().reason.find("と異なります"), std::string::npos) << whole.error().reason;

    for (const gen::PackagedXml& member : package.xml) {
        const std::string row = test::Join(zip, member.path);
        const DraftSource source = DraftSourceOfRow(row);
        EXPECT_EQ(source, (DraftSource{zip, row}));
        const Expected<FormDraft, DraftRefusal> draft = DraftForm({source}, home.path());
        if (member.documentElement == "DOC") {
            ASSERT_FALSE(draft);
            EXPECT_EQ(draft.error().reason,
                      "通知書がありません（文書要素が「N」と7桁の数字のXMLファイルがありません）");
            continue;
        }
        ASSERT_TRUE(draft) << DescribeDraftRefusal(draft.error());
        EXPECT_EQ(draft->form.id, member.documentElement);
        EXPECT_EQ(draft->notifications, 1);
        EXPECT_TRUE(draft->differences.empty());  // the download matches the built-in forms
    }
    EXPECT_EQ(DraftSourceOfRow(in / "a.xml"), (DraftSource{in / "a.xml", {}}));
    const Expected<FormDraft, DraftRefusal> missing = DraftForm({{zip, test::Join(zip, "none.xml")}}, home.path());
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().reason, "ZIPファイルの中に「" + test::Join(zip, "none.xml") + "」がありません");
}

TEST_F(FormDraftSaving, SavingOverAFormFileKeepsItBelowOldWhereItIsNotReadAsAForm)
{
    // The form file there now: the built-in form with one field more.
    FormDefinition earlier = Revised();
    earlier.insuredList[2].sNodename = "通知年月日";
    earlier.insuredList.push_back({"備考", 20});
    const std::string earlierText = "# kept as written\n" + FormFileText(earlier);
    test::MakeDir(Forms());
    WriteFile(Forms() + test::kSeparator + "N7130001.tsv", earlierText);

    WriteFile(in / "a.xml", Notification(Revised(), 4));
    const FormDraft draft = DraftOf({{in / "a.xml", {}}});
    EXPECT_EQ(draft.currentFile, Forms() + test::kSeparator + "N7130001.tsv");
    const DraftTarget target = DraftTargetOf(draft, home.path());
    EXPECT_EQ(target.path, Forms() + test::kSeparator + "N7130001.tsv");
    EXPECT_EQ(target.existingPath, target.path);

    const DraftConfirmation confirmation = DescribeDraft(draft, target);
    EXPECT_EQ(confirmation.heading, "様式N7130001の様式定義を次のとおり変更します。");
    EXPECT_EQ(confirmation.differences,
              (std::vector<std::string>{"削除　_被保険者　3番目　通知年月日", "削除　_被保険者　32番目　備考",
                                        "追加　_被保険者　3番目　通知日"}));
    EXPECT_EQ(confirmation.files,
              (std::vector<std::string>{"作成するファイル: " + target.path,
                                        "今の様式定義ファイル: " + target.path + "（forms/oldに移して残します）"}));

    const std::time_t now = 1767225600;
    const Expected<SavedDraft, DraftRefusal> saved = SaveFormDraft(draft, target, now);
    ASSERT_TRUE(saved) << DescribeDraftRefusal(saved.error());
    EXPECT_TRUE(saved->written);
    EXPECT_EQ(ReadFile(target.path), FormFileText(draft.form));
    const std::vector<std::string> kept = test::ListDir(Forms() + test::kSeparator + "old");
    ASSERT_EQ(kept.size(), 1U);
    EXPECT_TRUE(std::regex_match(kept[0], std::regex(R"(N7130001-\d{8}-\d{6}\.tsv)"))) << kept[0];
    EXPECT_EQ(saved->keptPath, test::Join(Forms(), "old/" + kept[0]));
    EXPECT_EQ(ReadFile(saved->keptPath), earlierText);

    // The forms folder reads the new file, and nothing below old/.
    const Expected<FormCatalogue, FormFileProblem> known = FormCatalogue::Read(Forms());
    ASSERT_TRUE(known) << DescribeFormFileProblem(known.error());
    ASSERT_NE(known->Find("N7130001"), nullptr);
    EXPECT_EQ(*known->Definition("N7130001"), draft.form);
    EXPECT_EQ(known->Find("N7130001")->filePath, target.path);

    // Saved again in the same second over a file written meanwhile: a name of its own in old/.
    WriteFile(target.path, earlierText);
    const Expected<SavedDraft, DraftRefusal> again = SaveFormDraft(draft, DraftTargetOf(draft, home.path()), now);
    ASSERT_TRUE(again) << DescribeDraftRefusal(again.error());
    EXPECT_EQ(again->keptPath, test::Join(Forms(), "old/" + kept[0].substr(0, kept[0].size() - 4) + "-2.tsv"));
    EXPECT_EQ(ReadFile(saved->keptPath), earlierText);
    EXPECT_EQ(ReadFile(again->keptPath), earlierText);
    EXPECT_EQ(ReadFile(target.path), FormFileText(draft.form));
}

TEST_F(FormDraftSaving, ANewFormMakesTheFormsFolderAndAMatchingDraftSavesNothing)
{
    WriteFile(in / "new.xml", "<N7990030><_被保険者><氏名>山田</氏名></_被保険者></N7990030>");
    const FormDraft draft = DraftOf({{in / "new.xml", {}}});
    const DraftTarget target = DraftTargetOf(draft, home.path());
    EXPECT_TRUE(target.existingPath.empty());
    const DraftConfirmation confirmation = DescribeDraft(draft, target);
    EXPECT_EQ(confirmation.heading, "様式N7990030は新しい様式です。次の項目で様式定義を作成します。");
    EXPECT_EQ(confirmation.differences, (std::vector<std::string>{"追加　_被保険者　1番目　氏名"}));
    EXPECT_EQ(confirmation.files, (std::vector<std::string>{"作成するファイル: " + target.path}));
    const Expected<SavedDraft, DraftRefusal> saved = SaveFormDraft(draft, target, 0);
    ASSERT_TRUE(saved) << DescribeDraftRefusal(saved.error());
    EXPECT_EQ(ReadFile(target.path), "form\tN7990030\trecords\ninsured\t1\t氏名\t4\n");
    EXPECT_FALSE(Exists(Forms() + test::kSeparator + "old"));

    // Drafted again, it matches the form file: nothing to save, nothing moved.
    const FormDraft same = DraftOf({{in / "new.xml", {}}});
    EXPECT_TRUE(same.differences.empty());
    EXPECT_EQ(DescribeDraft(same, DraftTargetOf(same, home.path())).heading,
              "様式N7990030の今の様式定義と違いはありません。");
    const Expected<SavedDraft, DraftRefusal> unchanged = SaveFormDraft(same, DraftTargetOf(same, home.path()), 0);
    ASSERT_TRUE(unchanged);
    EXPECT_FALSE(unchanged->written);
    EXPECT_FALSE(Exists(Forms() + test::kSeparator + "old"));
}

TEST_F(FormDraftSaving, AFolderInThePlaceOfTheFormFileRefusesAndIsLeftAlone)
{
    WriteFile(in / "new.xml", "<N7990031><名称>x</名称></N7990031>");
    const FormDraft draft = DraftOf({{in / "new.xml", {}}});
    test::MakeDir(Forms());
    test::MakeDir(Forms() + test::kSeparator + "N7990031.tsv");
    const Expected<SavedDraft, DraftRefusal> saved = SaveFormDraft(draft, DraftTargetOf(draft, home.path()), 0);
    ASSERT_FALSE(saved);
    EXPECT_TRUE(test::ListDir(Forms()) == std::vector<std::string>{"N7990031.tsv"});
    EXPECT_TRUE(test::ListDir(Forms() + test::kSeparator + "N7990031.tsv").empty());
}

}  // namespace
}  // namespace tenvor
