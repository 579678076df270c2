// tenvor-cli: converts notifications from a terminal or a scheduled job.
//   tenvor-cli convert [-o DIR] [--encoding sjis|utf8] [--folder|--file] [-r] [--skip-existing]
//                      [--workbook FILE] PATH...
//   tenvor-cli forms [ID]
//   tenvor-cli forms --from PATH... [--save]
//   tenvor-cli help [COMMAND]

#include <CLI/CLI.hpp>
#include <array>
#include <exception>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "TenvorVersion.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConvertCommand.h"
#include "cli/DraftCommand.h"
#include "cli/ExitStatus.h"
#include "cli/FormsCommand.h"
#include "platform/CommandLine.h"
#include "platform/LibraryVersions.h"
#include "platform/LocalTime.h"

namespace {

using tenvor::cli::ExitStatus;
using tenvor::cli::Stream;
using tenvor::cli::Write;

constexpr std::array<std::string_view, 3> kCommands = {"convert", "forms", "help"};
constexpr const char* kCommandList = "convert, forms, help";

bool IsCommand(std::string_view word)
{
    for (const std::string_view command : kCommands) {
        if (word == command) {
            return true;
        }
    }
    return false;
}

// The word where a command belongs, when it names none: the first argument that is not an
// option (the program's own options take no value). Null when it is a command, or when the
// arguments hold no such word.
const char* UnknownCommand(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (!word.empty() && word.front() == '-') {
            continue;
        }
        return IsCommand(word) ? nullptr : argv[i];
    }
    return nullptr;
}

ExitStatus Main(int argc, char** argv)
{
    if (argc < 2) {
        Write(Stream::Err, std::string("tenvor-cli: a command is required: ") + kCommandList +
                               " ('tenvor-cli help' explains them)\n");
        return ExitStatus::Usage;
    }
    if (const char* unknown = UnknownCommand(argc, argv)) {
        Write(Stream::Err, std::string("tenvor-cli: '") + unknown + "' is not a command; the commands are " +
                               kCommandList + " ('tenvor-cli help' explains them)\n");
        return ExitStatus::Usage;
    }

    CLI::App app{"Tenvor: converts electronic notifications (電子通知書(XML)) into CSV files", "tenvor-cli"};
    // The program's version, then the libraries it runs with, one per line.
    app.set_version_flag("--version",
                         tenvor::VersionText("tenvor-cli " + std::string(tenvor::kVersion), tenvor::LibraryVersions()));
    app.require_subcommand(1);
    // Paths such as /data/in are paths on every system, never options.
    app.allow_windows_style_options(false);

    tenvor::cli::ConvertOptions convert;
    std::string encoding = "sjis";
    bool folder = false;
    bool file = false;
    CLI::App* convertCommand = app.add_subcommand(
        "convert", "Convert XML files, the notifications in ZIP files, and the XML files of folders");
    convertCommand->add_option("-o,--output", convert.outputFolder,
                               "Output folder, which must exist (default: each CSV beside its XML file, and a "
                               "ZIP's beside it in a folder named like the ZIP)");
    const CLI::Validator knownEncoding(
        [](std::string& value) {
            return tenvor::cli::EncodingNamed(value) ? std::string() : "unknown encoding " + value + " (sjis or utf8)";
        },
        "sjis|utf8");
    convertCommand
        ->add_option("--encoding", encoding,
                     "Encoding of the CSV files: sjis is Shift_JIS as Windows writes it, code page 932 (also "
                     "shift_jis, shift-jis, cp932, ms932, windows-31j); utf8 is UTF-8 with a byte-order mark (also "
                     "utf-8); any letter case")
        ->check(knownEncoding)
        ->capture_default_str();
    CLI::Option* folderFlag = convertCommand->add_flag("--folder", folder, "Each PATH is a folder");
    CLI::Option* fileFlag = convertCommand->add_flag("--file", file, "Each PATH is one XML file or ZIP file");
    folderFlag->excludes(fileFlag);
    convertCommand->add_flag("-r,--recursive", convert.recursive,
                             "Folders also give the XML files and ZIP files of their subfolders, at any depth; "
                             "there, as in ZIP files, documents that are not notifications are passed over");
    convertCommand->add_flag("--skip-existing", convert.skipExisting,
                             "Leave out, without reporting them, the inputs whose CSV file already exists");
    convertCommand->add_option("--workbook", convert.workbookPath,
                               "Also write one workbook (.xlsx) of everything the run converts: a new file in an "
                               "existing folder, never replacing one; the name is taken as given");
    convertCommand->add_option("PATH", convert.paths, "XML files, ZIP files and folders, one run for all")->required();

    std::string formId;
    CLI::App* formsCommand = app.add_subcommand(
        "forms", "List the supported forms, print the columns of one form, or draft one from notifications");
    CLI::Option* formIdOption = formsCommand->add_option("ID", formId, "Form id, such as N2018003");
    std::vector<std::string> draftPaths;
    bool saveDraft = false;
    CLI::Option* fromOption =
        formsCommand
            ->add_option("--from", draftPaths,
                         "Print the form file that the notifications of these XML files and ZIP files match, and "
                         "on standard error its differences from the form's current definition")
            ->excludes(formIdOption);
    formsCommand
        ->add_flag("--save", saveDraft,
                   "Save that form file into the forms folder as <ID>.tsv (the one there is kept in forms/old/)")
        ->needs(fromOption);

    std::string helpTopic;
    CLI::App* helpCommand = app.add_subcommand("help", "Explain the commands, or one of them");
    helpCommand->add_option("COMMAND", helpTopic, "convert or forms");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help, the version and usage errors, through the console writer like everything else.
        std::ostringstream out;
        std::ostringstream err;
        const int status = app.exit(e, out, err);
        Write(Stream::Out, out.str());
        Write(Stream::Err, err.str());
        return e.get_exit_code() == 0 ? static_cast<ExitStatus>(status) : ExitStatus::Usage;
    }

    if (*helpCommand) {
        if (helpTopic.empty()) {
            Write(Stream::Out, app.help());
        } else if (helpTopic == "convert" || helpTopic == "forms") {
            Write(Stream::Out, app.get_subcommand(helpTopic)->help());
        } else {
            Write(Stream::Err,
                  "tenvor-cli: '" + helpTopic + "' is not a command; the commands are " + kCommandList + "\n");
            return ExitStatus::Usage;
        }
        return ExitStatus::Clean;
    }
    if (*formsCommand && fromOption->count() > 0) {
        return tenvor::cli::DraftFormFromNotifications(draftPaths, saveDraft);
    }
    if (*formsCommand) {
        // An id given empty is an unknown id, not a request for the list.
        return formIdOption->count() == 0 ? tenvor::cli::ListForms() : tenvor::cli::DescribeForm(formId);
    }
    convert.encoding = tenvor::cli::EncodingNamed(encoding).value_or(tenvor::OutputEncoding::ShiftJis);
    if (folder || file) {
        convert.folderMode = folder;
    }
    return tenvor::cli::RunConvert(convert);
}

}  // namespace

int main(int argc, char** argv)
{
    ExitStatus status;
    tenvor::ReadTimeZoneOnce();
    try {
        std::vector<std::string> arguments = tenvor::ProgramArguments(argc, argv);
        std::vector<char*> pointers;
        for (std::string& argument : arguments) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        status = Main(static_cast<int>(arguments.size()), pointers.data());
    } catch (const std::exception& e) {
        // Out of memory, or anything else nothing nearer could handle: one line, and the run
        // counts as stopped.
        Write(Stream::Err, std::string("tenvor-cli: ") + e.what() + "\n");
        return tenvor::cli::ToInt(ExitStatus::RefusedOrStopped);
    } catch (...) {
        Write(Stream::Err, "tenvor-cli: unexpected failure\n");
        return tenvor::cli::ToInt(ExitStatus::RefusedOrStopped);
    }
    // A report that could not be written (a full disk, a closed pipe) must not pass for success.
    if (!tenvor::cli::FinishOutput()) {
        Write(Stream::Err, "tenvor-cli: cannot write to standard output\n");
        return tenvor::cli::ToInt(ExitStatus::RefusedOrStopped);
    }
    return tenvor::cli::ToInt(status);
}
