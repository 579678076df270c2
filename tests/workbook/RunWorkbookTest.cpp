// The run's workbook read back from the file: sheets, headers, values as text cells, the header's
// look, the refusals, runs that skip or stop, and a workbook that cannot be written.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "forms/FormCatalogue.h"
#include "platform/FileSystem.h"
#include "run/InputList.h"
#include "support/TestSupport.h"
#include "workbook/RunWorkbook.h"
#include "workbook/WorkbookTarget.h"
#include "workbook/XlsxReader.h"

namespace tenvor {
namespace {

using test::Exists;
using test::Join;
using test::ListDir;
using test::ReadWorkbook;
using test::TempDir;
using test::WriteFile;

const char kFormatError[] = "選択したファイルの形式が正しくありません。";

// The values of a CSV file in UTF-8 with lines ended by "\n": each line's fields, quotes undone.
std::vector<std::vector<std::string>> CsvLines(const std::string& text)
{
    std::vector<std::vector<std::string>> lines(1);
    std::string field;
    bool quoted = false;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            lines.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            lines.back().push_back(field);
            field.clear();
            lines.emplace_back();
        } else {
            field += c;
        }
        any = true;
    }
    if (any && lines.back().empty() && field.empty()) {
        lines.pop_back();
    }
    return lines;
}

// What one notification gives its form's sheet: one row per person, the shown path first, then the
// common values and the person's.
std::vector<std::vector<std::string>> FormRows(const std::string& shownPath, const std::string& expectedCsv)
{
    const std::vector<std::vector<std::string>> lines = CsvLines(expectedCsv);
    // form id, [kanri], common line, [data], persons
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 4; i < lines.size(); ++i) {
        std::vector<std::string> row{shownPath};
        if (!(lines[2].size() == 1 && lines[2][0].empty())) {
            row.insert(row.end(), lines[2].begin(), lines[2].end());
        }
        row.insert(row.end(), lines[i].begin(), lines[i].end());
        while (!row.empty() && row.back().empty()) {
            row.pop_back();
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Header(const FormDefinition& form)
{
    std::vector<std::string> header{"ファイル"};
    for (const StDataDif& field : form.commonList) {
        header.push_back(field.sNodename);
    }
    for (const StDataDif& field : form.insuredList) {
        header.push_back(field.sNodename);
    }
    return header;
}

ReadWorkbook ReadBack(const std::string& path)
{
    std::string problem;
    std::optional<ReadWorkbook> workbook = test::ReadXlsx(path, problem);
    EXPECT_TRUE(workbook.has_value()) << path << ": " << problem;
    return workbook.value_or(ReadWorkbook{});
}

// Every cell of the sheet is a text cell; the header row is bold, frozen and filtered, and each
// column with a value has a width that fits it within the maximum.
void ExpectTextCellsAndHeader(const test::ReadSheet& sheet)
{
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (const test::ReadCell& cell : sheet.rows[r]) {
            if (!cell.text.empty() || !cell.type.empty()) {
                EXPECT_TRUE(cell.type == "inlineStr" || cell.type == "s")
                    << sheet.name << " row " << r + 1 << ": " << cell.text << " is of type '" << cell.type << "'";
            }
            EXPECT_EQ(cell.bold, r == 0) << sheet.name << " row " << r + 1 << ": " << cell.text;
        }
    }
    EXPECT_EQ(sheet.frozenTopLeft, "A2") << sheet.name;
    ASSERT_FALSE(sheet.rows.empty());
    const std::string last = sheet.autoFilter.substr(sheet.autoFilter.find(':') + 1);
    EXPECT_EQ(sheet.autoFilter.rfind("A1:", 0), 0u) << sheet.name << ": " << sheet.autoFilter;
    EXPECT_EQ(last.back(), '1') << sheet.name << ": the filter covers the header row only: " << sheet.autoFilter;
    EXPECT_EQ(sheet.widths.size(), sheet.rows[0].size()) << sheet.name;
    for (const double width : sheet.widths) {
        EXPECT_GT(width, 1.0) << sheet.name;
        EXPECT_LE(width, 64.0) << sheet.name;
    }
}

class RunWorkbookTest : public ::testing::Test {
protected:
    // A notification written into the input folder; its expected CSV (UTF-8) is kept by path.
    std::string Notification(const std::string& name, const std::string& formId, int persons, std::time_t mtime,
                             gen::Fault fault = gen::Fault::None)
    {
        gen::NotificationSpec wanted;
        wanted.formId = formId;
        wanted.persons = persons;
        wanted.seed = static_cast<std::uint32_t>(mtime);
        wanted.fault = fault;
        const gen::GeneratedNotification made = gen::Generate(catalogue, wanted);
        const std::string path = Join(run.in, name);
        WriteFile(path, made.bytes);
        test::SetMtime(path, mtime);
        expectedCsv[path] = made.expectedCsv;
        return path;
    }

    RunSummary RunFolder(const std::string& workbook)
    {
        run.window.fileMode = false;
        run.window.inputPath = run.in;
        run.window.outputFolder = run.out;
        RunRequest request = run.window.Request();
        request.workbookPath = workbook;
        return run.engine->Run(request);
    }

    const FormDefinition& Form(const std::string& id) const
    {
        return *std::find_if(forms.begin(), forms.end(), [&](const FormDefinition& form) { return form.id == id; });
    }
    std::string SingleRecordForm() const
    {
        return std::find_if(forms.begin(), forms.end(), [](const FormDefinition& form) { return form.singleRecord; })
            ->id;
    }

    const FormCatalogue catalogue;
    const std::vector<FormDefinition> forms{catalogue.Definitions().begin(), catalogue.Definitions().end()};
    test::RunFixture run;
    std::map<std::string, std::string> expectedCsv;
};

TEST_F(RunWorkbookTest, ListFormSheetsAndErrorsHoldTheValuesAsTextCellsExactlyAsTheNotificationsGiveThem)
{
    const std::string single = SingleRecordForm();
    const std::string a = Notification("a.xml", "N2018003", 2, 1000);
    const std::string b = Notification("b.xml", single, 1, 2000);
    const std::string c = Notification("c.xml", "N2018003", 1, 3000);
    const std::string d = Notification("d.xml", "N2018003", 1, 4000, gen::Fault::Truncated);
    // Values Excel would take for numbers or trim, and a character Shift_JIS lacks: the CSV file
    // (in code page 932) gets "?" for it, the workbook the character.
    std::string bytes = test::ReadFile(a);
    const std::regex number("<被保険者整理番号>[^<]*</被保険者整理番号>");
    const std::regex name("<被保険者の氏名>[^<]*</被保険者の氏名>");
    bytes = std::regex_replace(bytes, number, "<被保険者整理番号>000123</被保険者整理番号>",
                               std::regex_constants::format_first_only);
    bytes = std::regex_replace(bytes, name, "<被保険者の氏名> 𠮷田　一 </被保険者の氏名>",
                               std::regex_constants::format_first_only);
    WriteFile(a, bytes);
    test::SetMtime(a, 1000);

    const std::string workbookPath = Join(run.out, "一覧.xlsx");
    const RunSummary summary = RunFolder(workbookPath);
    ASSERT_EQ(summary.outcome, RunOutcome::Completed);
    EXPECT_EQ(summary.workbook, workbookPath);
    ASSERT_EQ(summary.errors.size(), 1u);
    EXPECT_EQ(test::ReadFile(Join(run.out, "a.csv")).find("\xF0\xA0\xAE\xB7"), std::string::npos);

    const ReadWorkbook workbook = ReadBack(workbookPath);
    EXPECT_EQ(workbook.Names(), (std::vector<std::string>{"一覧", "N2018003", single, "エラー"}));
    for (const test::ReadSheet& sheet : workbook.sheets) {
        ExpectTextCellsAndHeader(sheet);
    }

    const test::ReadSheet* list = workbook.Sheet("一覧");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rows.size(), 4u);
    EXPECT_EQ(list->Texts(0), (std::vector<std::string>{"番号", "ファイル", "様式", "人数", "CSVファイル"}));
    EXPECT_EQ(list->Texts(1), (std::vector<std::string>{"1", a, "N2018003", "2", Join(run.out, "a.csv")}));
    EXPECT_EQ(list->Texts(2), (std::vector<std::string>{"2", b, single, "1", Join(run.out, "b.csv")}));
    EXPECT_EQ(list->Texts(3), (std::vector<std::string>{"3", c, "N2018003", "1", Join(run.out, "c.csv")}));

    const test::ReadSheet* form = workbook.Sheet("N2018003");
    ASSERT_NE(form, nullptr);
    const std::vector<std::string> header = Header(Form("N2018003"));
    EXPECT_EQ(form->Texts(0), header);
    std::vector<std::vector<std::string>> rows = FormRows(a, expectedCsv[a]);
    const std::size_t numberColumn =
        static_cast<std::size_t>(std::find(header.begin(), header.end(), "被保険者整理番号") - header.begin());
    const std::size_t nameColumn =
        static_cast<std::size_t>(std::find(header.begin(), header.end(), "被保険者の氏名") - header.begin());
    ASSERT_LT(nameColumn, header.size());
    rows[0][numberColumn] = "000123";
    rows[0][nameColumn] = " 𠮷田　一 ";
    for (const std::vector<std::string>& row : FormRows(c, expectedCsv[c])) {
        rows.push_back(row);
    }
    ASSERT_EQ(form->rows.size(), 1 + rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(form->Texts(i + 1), rows[i]) << "row " << i + 2;
    }
    EXPECT_EQ(form->rows[1][numberColumn].text, "000123");
    EXPECT_EQ(form->rows[1][nameColumn].text, " 𠮷田　一 ");

    const test::ReadSheet* singleSheet = workbook.Sheet(single);
    ASSERT_NE(singleSheet, nullptr);
    EXPECT_EQ(singleSheet->Texts(0), Header(Form(single)));
    const std::vector<std::vector<std::string>> singleRows = FormRows(b, expectedCsv[b]);
    ASSERT_EQ(singleRows.size(), 1u);
    ASSERT_EQ(singleSheet->rows.size(), 2u);
    EXPECT_EQ(singleSheet->Texts(1), singleRows[0]);

    const test::ReadSheet* errors = workbook.Sheet("エラー");
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(errors->Texts(0), (std::vector<std::string>{"項番", "エラー内容", "対象ファイル", "詳細"}));
    ASSERT_EQ(errors->rows.size(), 2u);
    EXPECT_EQ(errors->Texts(1), (std::vector<std::string>{"1", kFormatError, d, summary.errors[0].reason}));

    // The CSV files and the workbook, nothing else: no temporary file is left.
    EXPECT_EQ(ListDir(run.out), (std::vector<std::string>{"a.csv", "b.csv", "c.csv", "一覧.xlsx"}));
}

TEST_F(RunWorkbookTest, AnExistingFileOrAMissingFolderRefusesTheRunBeforeAnythingIsReadOrLogged)
{
    Notification("a.xml", "N2018003", 1, 1000);
    Notification("b.xml", "N2018003", 1, 2000, gen::Fault::Truncated);  // would be logged
    const std::string existing = Join(run.out, "list.xlsx");
    WriteFile(existing, "kept");
    WriteFile(run.dir / "file", "");
    const std::pair<std::string, RefusalReason> cases[] = {
        {existing, RefusalReason::WorkbookExists},
        {run.dir / "missing/list.xlsx", RefusalReason::WorkbookFolderMissing},
        {run.dir / "file/list.xlsx", RefusalReason::WorkbookFolderNotFolder},
    };
    for (const auto& [path, reason] : cases) {
        EXPECT_EQ(CheckWorkbookTarget(path), reason) << path;
        run.window.messages.clear();
        const RunSummary summary = RunFolder(path);
        EXPECT_EQ(summary.outcome, RunOutcome::Refused) << path;
        EXPECT_EQ(summary.refusal, (RunRefusal{reason, path}));
        EXPECT_TRUE(run.window.messages.empty()) << path;  // the summary alone tells it
        // The window's message box names the file.
        const std::optional<RunMessage> message = WorkbookRefusalMessage(*summary.refusal);
        ASSERT_TRUE(message.has_value());
        EXPECT_NE(MessageText(*message).find(path), std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(existing), "kept");
    EXPECT_EQ(ListDir(run.out), std::vector<std::string>{"list.xlsx"});
    EXPECT_FALSE(Exists(run.home));  // not even the log
    EXPECT_FALSE(CheckWorkbookTarget(Join(run.out, "new.xlsx")).has_value());
}

TEST_F(RunWorkbookTest, SkippingExistingCsvFilesTheFormSheetsHoldOnlyWhatThisRunConverted)
{
    const std::string a = Notification("a.xml", "N2018003", 2, 1000);
    ASSERT_EQ(RunFolder({}).outcome, RunOutcome::Completed);
    const std::string b = Notification("b.xml", "N2018003", 3, 2000);
    run.window.skipExistingQuietly = true;
    const std::string workbookPath = Join(run.dir.path(), "second.xlsx");
    const RunSummary summary = RunFolder(workbookPath);
    ASSERT_EQ(summary.outcome, RunOutcome::Completed);
    EXPECT_EQ(summary.skippedExisting, 1);

    const ReadWorkbook workbook = ReadBack(workbookPath);
    EXPECT_EQ(workbook.Names(), (std::vector<std::string>{"一覧", "N2018003"}));  // no failure, no エラー
    const test::ReadSheet* list = workbook.Sheet("一覧");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rows.size(), 2u);
    EXPECT_EQ(list->Texts(1), (std::vector<std::string>{"1", b, "N2018003", "3", Join(run.out, "b.csv")}));
    const test::ReadSheet* form = workbook.Sheet("N2018003");
    ASSERT_NE(form, nullptr);
    const std::vector<std::vector<std::string>> rows = FormRows(b, expectedCsv[b]);
    ASSERT_EQ(form->rows.size(), 1 + rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(form->Texts(i + 1), rows[i]);
    }
}

TEST_F(RunWorkbookTest, AStoppedRunStillWritesWhatItConvertedBeforeItStopped)
{
    const std::string a = Notification("a.xml", "N2018003", 1, 1000);
    const std::string b = Notification("b.xml", "N2018003", 1, 2000, gen::Fault::Truncated);
    Notification("c.xml", "N2018003", 1, 3000);
    // A folder where the log belongs: the failure of b cannot be logged, which stops the run.
    test::MakeDir(run.home);
    test::MakeDir(Join(run.home, "Ver1.20.log"));
    const std::string workbookPath = Join(run.out, "list.xlsx");
    const RunSummary summary = RunFolder(workbookPath);
    ASSERT_EQ(summary.outcome, RunOutcome::Stopped);
    EXPECT_EQ(summary.converted, 1);
    EXPECT_EQ(summary.workbook, workbookPath);

    const ReadWorkbook workbook = ReadBack(workbookPath);
    const test::ReadSheet* list = workbook.Sheet("一覧");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rows.size(), 2u);
    EXPECT_EQ(list->Texts(1), (std::vector<std::string>{"1", a, "N2018003", "1", Join(run.out, "a.csv")}));
    const test::ReadSheet* form = workbook.Sheet("N2018003");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->rows.size(), 2u);
    // The failure the run recorded as it stopped, as the command line would list it.
    EXPECT_EQ(workbook.Names(), (std::vector<std::string>{"一覧", "N2018003", "エラー"}));
    ASSERT_EQ(summary.errors.size(), 1u);
    const test::ReadSheet* errors = workbook.Sheet("エラー");
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(errors->Texts(1), (std::vector<std::string>{"1", kFormatError, b, summary.errors[0].reason}));
    EXPECT_EQ(ListDir(run.out), (std::vector<std::string>{"a.csv", "list.xlsx"}));
}

// Replaces the workbook's folder by a file once the run has converted its first notification.
class FolderSnatcher : public test::RecordingFrontEnd {
public:
    explicit FolderSnatcher(std::string folder) : folder_(std::move(folder)) {}
    void CounterChanged(int done, int total) override
    {
        RecordingFrontEnd::CounterChanged(done, total);
        if (done == 1 && !snatched_) {
            snatched_ = true;
            std::filesystem::remove_all(test::NativePath(folder_));
            WriteFile(folder_, "a file where the workbook's folder was");
        }
    }

private:
    std::string folder_;
    bool snatched_ = false;
};

TEST_F(RunWorkbookTest, AWorkbookThatCannotBeWrittenStopsTheRunLikeACsvFileAndLeavesNothing)
{
    const std::string a = Notification("a.xml", "N2018003", 1, 1000);
    Notification("b.xml", "N2018003", 1, 2000);
    const std::string folder = run.dir / "books";
    test::MakeDir(folder);
    FolderSnatcher window(folder);
    TenvorEngine engine(window, run.home + test::kSeparator);
    window.fileMode = false;
    window.inputPath = run.in;
    window.outputFolder = run.out;
    RunRequest request = window.Request();
    request.workbookPath = Join(folder, "list.xlsx");
    const RunSummary summary = engine.Run(request);

    EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
    EXPECT_EQ(summary.converted, 2);  // the CSV files are written all the same
    EXPECT_TRUE(summary.workbook.empty());
    EXPECT_EQ(summary.writeFailure.rfind(request.workbookPath + ": ", 0), 0u) << summary.writeFailure;
    EXPECT_GT(summary.writeFailure.size(), request.workbookPath.size() + 2);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.back().text, "ファイルの書き込みに失敗しました。");
    EXPECT_NE(test::ReadFile(Join(run.home, "Ver1.20.log")).find("権限有無 対象ファイル" + request.workbookPath),
              std::string::npos);
    EXPECT_EQ(test::ReadFile(folder), "a file where the workbook's folder was");
    EXPECT_EQ(ListDir(run.dir.path()), (std::vector<std::string>{"books", "home", "in", "out"}));
}

TEST(RunWorkbook, AWorkbookClosedOnAVanishedFolderFailsWithTheSystemsWordsAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const FormCatalogue forms;
    const std::string folder = dir / "books";
    test::MakeDir(folder);
    RunWorkbook workbook(Join(folder, "list.xlsx"), forms);
    StXmlInfo values;
    values.styleNum = "N2018003";
    values.commonData = {"1"};
    ASSERT_TRUE(values.insuredData.Add({"000123"}));
    workbook.AddNotification("in.xml", values, "in.csv");
    std::filesystem::remove_all(test::NativePath(folder));
    const Expected<bool, WorkbookFailure> written = workbook.Finish({});
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().text.rfind(Join(folder, "list.xlsx") + ": ", 0), 0u) << written.error().text;
    EXPECT_TRUE(ListDir(dir.path()).empty());
}

TEST(RunWorkbook, WidthsCountWideCharactersTwiceAndTheDefaultNameCarriesTheTime)
{
    EXPECT_EQ(DisplayWidth("000123"), 6);
    EXPECT_EQ(DisplayWidth("𠮷田　一"), 8);
    EXPECT_EQ(DisplayWidth("ｱｲ"), 2);  // half-width katakana
    EXPECT_EQ(DefaultWorkbookName("20260102030405"), "一覧_20260102_030405.xlsx");
}

TEST(RunWorkbook, AWorkbookNamePlacedInTheOutputRootGoesWhereTheFirstInputsCsvFilesGo)
{
    RunRequest request;
    request.workbookPath = "一覧.xlsx";
    request.inputs = {{InputMode::File, Join(Join("in", "sub"), "a.zip")}, {InputMode::Folder, "other"}};
    EXPECT_EQ(WorkbookPathOf(request), "一覧.xlsx");  // not placed: as given
    request.workbookInOutputRoot = true;
    EXPECT_EQ(WorkbookPathOf(request), Join(Join("in", "sub"), "一覧.xlsx"));  // the ZIP's folder
    request.inputs.front() = {InputMode::Folder, "in"};
    EXPECT_EQ(WorkbookPathOf(request), Join("in", "一覧.xlsx"));  // the folder itself
    request.outputFolder = "out";
    EXPECT_EQ(WorkbookPathOf(request), Join("out", "一覧.xlsx"));
    request.workbookPath.clear();
    EXPECT_EQ(WorkbookPathOf(request), "");  // none asked for
}

}  // namespace
}  // namespace tenvor
