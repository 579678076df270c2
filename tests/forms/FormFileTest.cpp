// Form files: what is wrong with one, on which line; the text of every built-in form read back as
// it was; the forms folder without its subfolders; and runs with a form added, a built-in form
// replaced, a file that is not right, and the folder read again by an open engine.
#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "forms/DataTbl.h"
#include "forms/FormCatalogue.h"
#include "forms/FormFile.h"
#include "forms/FormFolder.h"
#include "forms/StyleNumList.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// A form of an id no built-in form has, with both lists.
FormDefinition AddedForm()
{
    FormDefinition form;
    form.id = "N7012001";
    DataTbl::SetDataDifinition(form.commonList, "事業所名称", 50);
    DataTbl::SetDataDifinition(form.commonList, "事業所整理記号", 10);
    DataTbl::SetDataDifinition(form.insuredList, "被保険者の氏名", 50);
    DataTbl::SetDataDifinition(form.insuredList, "被保険者整理番号", 6);
    DataTbl::SetDataDifinition(form.insuredList, "事業所名称", 50);  // the same name in the other list
    return form;
}

TEST(FormFile, EachProblemIsNamedWithItsFileAndLine)
{
    const std::string head = "form\tN7012001\trecords\n";
    const std::string insured = "insured\t1\t氏名\t50\n";
    struct Case {
        std::string name;
        std::string text;
        FormFileFault fault;
        int line;
    };
    const Case cases[] = {
        {"N7012001.tsv", "form\tN7012001\tboth\n" + insured, FormFileFault::FormLine, 1},
        {"N7012001.tsv", "# 注釈\n\nform\tN7012001\n" + insured, FormFileFault::FormLine, 3},
        {"N7012001.tsv", insured, FormFileFault::FormLine, 1},
        {"N7012001.tsv", "", FormFileFault::FormLine, 0},
        {"N7012001.tsv", std::string("\0\x01\x02junk\x7F", 8), FormFileFault::FormLine, 1},
        {"N7012001.tsv", "form\tN7012002\trecords\n" + insured, FormFileFault::IdMismatch, 1},
        {"N7012001.tsv", head + "insured\t1\t氏名\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", head + "person\t1\t氏名\t50\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", head + "insured\t0\t氏名\t50\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", head + "insured\t一\t氏名\t50\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", head + "insured\t1\t氏名\t50バイト\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", head + "insured\t1\t氏 名\t50\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", head + "insured\t1\t\t50\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", head + "insured\t1\t氏名\t9999999999\n", FormFileFault::LineShape, 2},
        {"N7012001.tsv", "form\tN7012001\tsingle\n" + insured + "common\t1\t名称\t5\n", FormFileFault::CommonInSingle,
         3},
        {"N7012001.tsv", head + insured + "# 次は重複\ninsured\t1\t備考\t40\n", FormFileFault::PositionRepeated, 4},
        {"N7012001.tsv", head + "insured\t3\t備考\t40\n" + insured + "insured\t4\t番号\t6\n",
         FormFileFault::PositionMissing, 2},
        {"N7012001.tsv", head + "common\t2\t名称\t5\n" + insured, FormFileFault::PositionMissing, 2},
        {"N7012001.tsv", head + insured + "insured\t2\t氏名\t50\n", FormFileFault::NameRepeated, 3},
        {"N7012001.tsv", head + "common\t1\t名称\t5\n", FormFileFault::NoInsured, 1},
        {"N7012001.tsv", head + "insured\t1\t\x8E\x81\x96\xBC\t50\n", FormFileFault::NotUtf8, 2},
        {"N7012001.tsv", "\xFF\xFE" + head, FormFileFault::NotUtf8, 1},
        {"N7012001.tsv", head + insured + std::string(kMaxFormFileBytes, '#'), FormFileFault::TooLarge, 0},
        {"n7012001.tsv", head + insured, FormFileFault::FileName, 0},
        {"N701200.tsv", head + insured, FormFileFault::FileName, 0},
        {"様式N7012001.tsv", head + insured, FormFileFault::FileName, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + ": " + c.text.substr(0, 60));
        const test::TempDir forms;
        test::WriteFile(forms / c.name, c.text);
        const Expected<std::vector<FileForm>, FormFileProblem> read = ReadFormFolder(forms.path());
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().fault, c.fault);
        EXPECT_EQ(read.error().line, c.line);
        EXPECT_EQ(read.error().path, forms / c.name);
        const std::string described = DescribeFormFileProblem(read.error());
        EXPECT_EQ(described.find('\n'), std::string::npos);
        const std::string where = c.line > 0 ? "(" + std::to_string(c.line) + "行目): " : ": ";
        EXPECT_EQ(described.rfind(forms / c.name + where, 0), 0u) << described;
    }
#ifndef _WIN32
    // Names that differ only in the letter case of the extension are one id twice.
    const test::TempDir forms;
    test::WriteFile(forms / "N7012001.TSV", FormFileText(AddedForm()));
    test::WriteFile(forms / "N7012001.tsv", FormFileText(AddedForm()));
    const Expected<std::vector<FileForm>, FormFileProblem> read = ReadFormFolder(forms.path());
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().fault, FormFileFault::DuplicateFile);
#endif
}

TEST(FormFile, NothingBelowASubfolderOfTheFormsFolderIsRead)
{
    // Forms put aside in "old", even one that is not right, and a folder named like a form file.
    const test::TempDir forms;
    test::MakeDir(forms / "old");
    test::MakeDir(forms / "N7130001.tsv");
    test::WriteFile(test::Join(forms / "old", "N2018003.tsv"), "form\tN2018003\trecords\ninsured\t1\t氏名\n");
    test::WriteFile(test::Join(forms / "old", "N7012001.tsv"), FormFileText(AddedForm()));
    test::WriteFile(forms / "N7012001.tsv", FormFileText(AddedForm()));
    const Expected<std::vector<FileForm>, FormFileProblem> read = ReadFormFolder(forms.path());
    ASSERT_TRUE(read) << DescribeFormFileProblem(read.error());
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ(read->front().definition, AddedForm());
    EXPECT_EQ(read->front().filePath, forms / "N7012001.tsv");
}

TEST(FormFile, TheTextOfEveryFormReadsBackAsTheSameForm)
{
    const FormCatalogue catalogue;
    for (const FormDefinition& form : catalogue.Definitions()) {
        SCOPED_TRACE(form.id);
        const std::string text = FormFileText(form);
        EXPECT_EQ(text.rfind("form\t" + form.id + "\t" + (form.singleRecord ? "single\n" : "records\n"), 0), 0u);
        const Expected<FormDefinition, FormFileProblem> read = ParseFormFile(text, form.id);
        ASSERT_TRUE(read) << read.error().line << " " << read.error().text;
        EXPECT_EQ(*read, form);
    }
    // As an editor may leave it: a byte-order mark, CR LF, comments, blank lines, lists mixed and
    // out of order.
    const std::string edited =
        "\xEF\xBB\xBF# 追加した様式\r\nform\tN7012001\trecords\r\n\r\ninsured\t3\t事業所名称\t50\r\n"
        "common\t2\t事業所整理記号\t10\r\n  \t\r\ninsured\t1\t被保険者の氏名\t50\r\ncommon\t1\t事業所名称\t50\r\n"
        "# 番号\r\ninsured\t2\t被保険者整理番号\t6";
    const Expected<FormDefinition, FormFileProblem> read = ParseFormFile(edited, "N7012001");
    ASSERT_TRUE(read) << read.error().line << " " << read.error().text;
    EXPECT_EQ(*read, AddedForm());
}

// Runs with a settings folder whose forms folder the test fills before the engine reads it.
class UserFormRun : public ::testing::Test {
protected:
    UserFormRun()
    {
        fixture.window.fileMode = false;
        fixture.window.outputFolder = fixture.out;
        fixture.window.encoding = OutputEncoding::Utf8;
    }

    void WriteFormFile(const std::string& id, const std::string& text)
    {
        test::MakeDir(fixture.home);
        test::MakeDir(forms);
        test::WriteFile(test::Join(forms, id + ".tsv"), text);
    }
    // A new engine, as a new window or command line would have, reading the forms folder.
    void Reopen()
    {
        fixture.engine = std::make_unique<TenvorEngine>(fixture.window, fixture.home + test::kSeparator);
        fixture.Start();
    }
    std::vector<std::string> Records() const
    {
        std::vector<std::string> records;
        for (const StErrorInfo& record : fixture.engine->ErrorRecords()) {
            records.push_back(std::to_string(ToInt(record.errorKind)) + " " + record.filePath);
        }
        return records;
    }
    std::string Csv(const std::string& name) const { return test::ReadFile(test::Join(fixture.out, name)); }

    test::RunFixture fixture;
    const std::string forms = test::Join(fixture.home, "forms");
};

TEST_F(UserFormRun, AFormAddedByItsFileConvertsLikeABuiltInOne)
{
    const FormDefinition added = AddedForm();
    gen::FolderSpec wanted;
    wanted.count = 4;
    wanted.failFraction = 0;
    wanted.shiftJisFraction = 0.5;
    const std::vector<gen::GeneratedFile> files =
        gen::GenerateFolder(std::vector<FormDefinition>{added}, fixture.in, wanted);

    // Without its file the form is not supported.
    Reopen();
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    ASSERT_EQ(Records().size(), files.size());
    EXPECT_EQ(Records().front(), "1 " + test::Join(fixture.in, files.front().name));
    EXPECT_TRUE(test::ListDir(fixture.out).empty());

    WriteFormFile(added.id, FormFileText(added));
    Reopen();
    ASSERT_EQ(fixture.engine->Forms().size(), styleNumList.size() + 1);
    EXPECT_EQ(fixture.engine->Forms().back(), added);
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_TRUE(Records().empty());
    for (const gen::GeneratedFile& file : files) {
        SCOPED_TRACE(file.name);
        EXPECT_EQ(Csv(file.name.substr(0, file.name.size() - 4) + ".csv"), "\xEF\xBB\xBF" + WithCrLf(file.expectedCsv));
    }
}

TEST_F(UserFormRun, AReplacedBuiltInFormTakesOnlyItsNewFields)
{
    const FormCatalogue catalogue;
    FormDefinition replaced = *catalogue.Definition("N2018003");
    replaced.insuredList[2].sNodename += "_改";
    gen::NotificationSpec wanted;
    wanted.formId = "N2018003";
    wanted.persons = 2;
    test::WriteFile(test::Join(fixture.in, "old.xml"), gen::Generate(catalogue, wanted).bytes);
    test::SetMtime(test::Join(fixture.in, "old.xml"), 1767225600);
    const gen::GeneratedNotification renamed = gen::Generate(std::vector<FormDefinition>{replaced}, wanted);
    test::WriteFile(test::Join(fixture.in, "new.xml"), renamed.bytes);
    test::SetMtime(test::Join(fixture.in, "new.xml"), 1767225601);

    WriteFormFile("N2018003", FormFileText(replaced));
    Reopen();
    const std::span<const FormDefinition> builtIn = catalogue.Definitions();
    ASSERT_EQ(fixture.engine->Forms().size(), builtIn.size());
    for (std::size_t i = 0; i < builtIn.size(); ++i) {
        EXPECT_EQ(fixture.engine->Forms()[i], builtIn[i].id == "N2018003" ? replaced : builtIn[i]);
    }
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_EQ(Records(), (std::vector<std::string>{"1 " + test::Join(fixture.in, "old.xml")}));
    EXPECT_EQ(Csv("new.csv"), "\xEF\xBB\xBF" + WithCrLf(renamed.expectedCsv));
    EXPECT_EQ(test::ListDir(fixture.out), (std::vector<std::string>{"new.csv"}));
}

TEST_F(UserFormRun, AFileThatIsNotRightIsShownAtStartAndRefusesEveryRunUnlogged)
{
    gen::NotificationSpec wanted;
    test::WriteFile(test::Join(fixture.in, "a.xml"), gen::Generate(FormCatalogue(), wanted).bytes);
    WriteFormFile("N7012001", "form\tN7012001\trecords\ninsured\t1\t氏名\t50\ninsured\t1\t備考\t40\n");
    test::WriteFile(test::Join(fixture.home, "Tenvor.ini"), "[Msg_Print]\nDebugFlag=1\nDriveName=D\n");
    Reopen();
    const std::string problem = test::Join(forms, "N7012001.tsv") + "(3行目): insuredの位置1が重複しています。";
    EXPECT_EQ(fixture.engine->FormFolderProblem(), problem);
    const std::string text = "様式定義ファイルに誤りがあります。" + problem;
    const test::ShownMessage message{MessageKind::Error, "エラー", text};
    EXPECT_EQ(fixture.window.messages, std::vector<test::ShownMessage>{message});
    const std::vector<std::string> startEntries = fixture.LogLines();
    EXPECT_EQ(startEntries.size(), 2u);  // "デバッグモード" and "ツール起動", as at every start

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        fixture.window.events.clear();
        EXPECT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Refused);
        EXPECT_EQ(fixture.window.events, (std::vector<std::string>{"message エラー: " + text, "finished Refused"}));
    }
    EXPECT_EQ(fixture.window.messages, (std::vector<test::ShownMessage>{message, message, message}));
    EXPECT_EQ(fixture.LogLines(), startEntries);
    EXPECT_TRUE(test::ListDir(fixture.out).empty());
    EXPECT_EQ(test::ListDir(fixture.in), std::vector<std::string>{"a.xml"});
}

TEST_F(UserFormRun, FormsReadAgainBetweenRunsTakeEffectWithoutANewEngine)
{
    const FormDefinition added = AddedForm();
    gen::NotificationSpec wanted;
    wanted.formId = added.id;
    wanted.persons = 2;
    const gen::GeneratedNotification notification = gen::Generate(std::vector<FormDefinition>{added}, wanted);
    test::WriteFile(test::Join(fixture.in, "a.xml"), notification.bytes);
    Reopen();
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_EQ(Records(), (std::vector<std::string>{"1 " + test::Join(fixture.in, "a.xml")}));

    // The form's file saved while the engine is open, then the folder read again.
    WriteFormFile(added.id, FormFileText(added));
    fixture.engine->ReloadForms();
    EXPECT_EQ(fixture.engine->FormFolderProblem(), "");
    ASSERT_NE(fixture.engine->Catalogue().Find(added.id), nullptr);
    EXPECT_EQ(fixture.engine->Catalogue().Find(added.id)->filePath, test::Join(forms, added.id + ".tsv"));
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(Csv("a.csv"), "\xEF\xBB\xBF" + WithCrLf(notification.expectedCsv));

    // A file that is not right: the built-in forms only, and every run refused, until it is put right.
    WriteFormFile(added.id, "form\tN7012001\trecords\n");
    fixture.engine->ReloadForms();
    EXPECT_EQ(fixture.engine->FormFolderProblem(),
              test::Join(forms, "N7012001.tsv") + "(1行目): insuredの定義がありません。");
    EXPECT_EQ(fixture.engine->Catalogue().Find(added.id), nullptr);
    EXPECT_EQ(fixture.engine->Forms().size(), styleNumList.size());
    EXPECT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Refused);
    WriteFormFile(added.id, FormFileText(added));
    fixture.engine->ReloadForms();
    EXPECT_EQ(fixture.engine->FormFolderProblem(), "");
    fixture.window.outputFolder = test::Join(fixture.out, "again");
    test::MakeDir(fixture.window.outputFolder);
    EXPECT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(test::ReadFile(test::Join(fixture.window.outputFolder, "a.csv")),
              "\xEF\xBB\xBF" + WithCrLf(notification.expectedCsv));
}

}  // namespace
}  // namespace tenvor
