// tenvor-cli: converts notifications from a terminal.
//   tenvor-cli convert [--output DIR] [--encoding sjis|utf8] [--folder|--file] PATH
//   tenvor-cli forms [ID]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>

#include "cli/ConvertCommand.h"
#include "cli/ExitStatus.h"
#include "cli/FormsCommand.h"

namespace {

using tenvor::cli::ExitStatus;

ExitStatus Main(int argc, char** argv)
{
    CLI::App app{"Tenvor: converts electronic notifications (電子通知書(XML)) into CSV files", "tenvor-cli"};
    app.require_subcommand(1);

    tenvor::cli::ConvertOptions convert;
    std::string encoding = "sjis";
    bool folder = false;
    bool file = false;
    CLI::App* convertCommand = app.add_subcommand("convert", "Convert one XML file or every XML file of a folder");
    convertCommand->add_option("--output", convert.outputFolder,
                               "Output folder (default: each CSV beside its XML file)");
    convertCommand->add_option("--encoding", encoding, "Encoding of the CSV files")
        ->check(CLI::IsMember({"sjis", "utf8"}))
        ->capture_default_str();
    CLI::Option* folderFlag = convertCommand->add_flag("--folder", folder, "PATH is a folder");
    CLI::Option* fileFlag = convertCommand->add_flag("--file", file, "PATH is one XML file");
    folderFlag->excludes(fileFlag);
    convertCommand->add_option("PATH", convert.path, "XML file or folder")->required();

    std::string formId;
    CLI::App* formsCommand = app.add_subcommand("forms", "List the supported forms, or the columns of one form");
    CLI::Option* formIdOption = formsCommand->add_option("ID", formId, "Form id, such as N2018003");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return static_cast<ExitStatus>(app.exit(e));
    } catch (const CLI::CallForAllHelp& e) {
        return static_cast<ExitStatus>(app.exit(e));
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return ExitStatus::Usage;
    }

    if (*formsCommand) {
        // An id given empty is an unknown id, not a request for the list.
        return formIdOption->count() == 0 ? tenvor::cli::ListForms() : tenvor::cli::DescribeForm(formId);
    }
    convert.utf8 = encoding == "utf8";
    if (folder || file) {
        convert.folderMode = folder;
    }
    return tenvor::cli::RunConvert(convert);
}

}  // namespace

int main(int argc, char** argv)
{
    ExitStatus status;
    try {
        status = Main(argc, argv);
    } catch (const std::exception& e) {
        // Out of memory, or anything else nothing nearer could handle: one line, and the run
        // counts as stopped.
        std::fprintf(stderr, "tenvor-cli: %s\n", e.what());
        return tenvor::cli::ToInt(ExitStatus::RefusedOrStopped);
    } catch (...) {
        std::fprintf(stderr, "tenvor-cli: unexpected failure\n");
        return tenvor::cli::ToInt(ExitStatus::RefusedOrStopped);
    }
    // A report that could not be written (a full disk, a closed pipe) must not pass for success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "tenvor-cli: cannot write to standard output\n");
        return tenvor::cli::ToInt(ExitStatus::RefusedOrStopped);
    }
    return tenvor::cli::ToInt(status);
}
