// tenvor-gen: writes synthetic notifications for examples, tests and benchmarks.
//   tenvor-gen folder --out DIR --count N [--seed S] [--min-persons A] [--max-persons B]
//                     [--fail-percent P] [--sjis-percent P] [--min-bytes N] [--max-bytes N]
//   tenvor-gen one --form ID --out FILE [--persons N] [--encoding utf8|sjis] [--seed S]
//                  [--bytes N] [--fault NAME] [--expected-csv FILE]
//   tenvor-gen examples --out DIR      (also DIR/downloads/公文書(002).zip, a flat download)
//   tenvor-gen package --shape NAME --out FILE [--seed S] [--count N]
//     NAME: flat, return, bulk, cp932 (downloads as users get them), many (N notifications,
//     for benchmarks), or a hostile package:
//     traversal, absolute, zero-bomb, lying-zero-bomb, ratio-bomb, deep-nesting, encrypted,
//     truncated, broken-directory, crc, duplicates, not-a-zip, overlapping

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

#include "NotificationGenerator.h"
#include "PackageGenerator.h"
#include "forms/FormCatalogue.h"

namespace {

// Paths are UTF-8 on every system (on Windows a narrow path would be read in the ANSI code page).
std::filesystem::path NativePath(const std::string& path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(NativePath(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

const std::map<std::string, tenvor::gen::Fault> kFaults = {
    {"none", tenvor::gen::Fault::None},
    {"unsupported-form", tenvor::gen::Fault::UnsupportedForm},
    {"missing-field", tenvor::gen::Fault::MissingField},
    {"extra-element", tenvor::gen::Fault::ExtraElement},
    {"comment", tenvor::gen::Fault::CommentInRecord},
    {"no-person", tenvor::gen::Fault::NoPersonRecord},
    {"truncated", tenvor::gen::Fault::Truncated},
    {"not-xml", tenvor::gen::Fault::NotXml},
    {"empty", tenvor::gen::Fault::Empty},
};

const std::map<std::string, tenvor::gen::HostilePackage> kHostilePackages = {
    {"traversal", tenvor::gen::HostilePackage::Traversal},
    {"absolute", tenvor::gen::HostilePackage::AbsoluteAndDriveNames},
    {"zero-bomb", tenvor::gen::HostilePackage::ZeroBomb},
    {"lying-zero-bomb", tenvor::gen::HostilePackage::LyingZeroBomb},
    {"ratio-bomb", tenvor::gen::HostilePackage::RatioBomb},
    {"deep-nesting", tenvor::gen::HostilePackage::DeepNesting},
    {"encrypted", tenvor::gen::HostilePackage::EncryptedMember},
    {"truncated", tenvor::gen::HostilePackage::Truncated},
    {"broken-directory", tenvor::gen::HostilePackage::BrokenCentralDirectory},
    {"crc", tenvor::gen::HostilePackage::CrcMismatch},
    {"duplicates", tenvor::gen::HostilePackage::DuplicateNames},
    {"not-a-zip", tenvor::gen::HostilePackage::NotAZip},
    {"overlapping", tenvor::gen::HostilePackage::OverlappingEntries},
};

tenvor::gen::GeneratedPackage MakePackage(const tenvor::FormCatalogue& catalogue, const std::string& shape,
                                          std::uint32_t seed, int count)
{
    if (shape == "many") {
        return tenvor::gen::MakeManyMemberPackage(catalogue, seed, count);
    }
    if (shape == "flat") {
        return tenvor::gen::MakeFlatDownload(catalogue, seed);
    }
    if (shape == "return") {
        return tenvor::gen::MakeReturnNotice(seed);
    }
    if (shape == "bulk") {
        return tenvor::gen::MakeBulkExport(catalogue, seed);
    }
    if (shape == "cp932") {
        return tenvor::gen::MakeCp932NamedDownload(catalogue, seed);
    }
    return tenvor::gen::MakeHostilePackage(catalogue, kHostilePackages.at(shape));
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Writes synthetic notifications", "tenvor-gen"};
    app.require_subcommand(1);

    std::string out;
    tenvor::gen::FolderSpec folder;
    int failPercent = 3;
    int sjisPercent = 25;
    CLI::App* folderCommand = app.add_subcommand("folder", "A folder of mixed notifications");
    folderCommand->add_option("--out", out, "Existing output folder")->required();
    folderCommand->add_option("--count", folder.count, "Number of files")->required();
    folderCommand->add_option("--seed", folder.seed);
    folderCommand->add_option("--min-persons", folder.minPersons);
    folderCommand->add_option("--max-persons", folder.maxPersons);
    folderCommand->add_option("--fail-percent", failPercent);
    folderCommand->add_option("--sjis-percent", sjisPercent);
    folderCommand->add_option("--min-bytes", folder.minBytes);
    folderCommand->add_option("--max-bytes", folder.maxBytes);

    tenvor::gen::NotificationSpec one;
    std::string encoding = "utf8";
    std::string fault = "none";
    std::string expectedCsv;
    CLI::App* oneCommand = app.add_subcommand("one", "One notification");
    oneCommand->add_option("--form", one.formId)->required();
    oneCommand->add_option("--out", out, "Output file")->required();
    oneCommand->add_option("--persons", one.persons);
    oneCommand->add_option("--encoding", encoding)->check(CLI::IsMember({"utf8", "utf8bom", "sjis"}));
    oneCommand->add_option("--seed", one.seed);
    oneCommand->add_option("--bytes", one.targetBytes, "Approximate size in bytes");
    oneCommand->add_option("--fault", fault)->check(CLI::IsMember([] {
        std::vector<std::string> names;
        for (const auto& [name, value] : kFaults) {
            names.push_back(name);
        }
        return names;
    }()));
    oneCommand->add_flag("--special", one.specialCharacters, "Values with commas, quotes and line breaks");
    oneCommand->add_flag("--shuffle", one.shuffleFields, "Fields in random order");
    oneCommand->add_option("--expected-csv", expectedCsv, "Also write the expected CSV (UTF-8, LF)");

    CLI::App* examplesCommand = app.add_subcommand("examples", "The curated example set");
    examplesCommand->add_option("--out", out, "Existing output folder")->required();

    std::string shape;
    std::uint32_t packageSeed = 1;
    CLI::App* packageCommand = app.add_subcommand("package", "One ZIP package");
    packageCommand->add_option("--shape", shape)->required()->check(CLI::IsMember([] {
        std::vector<std::string> names = {"flat", "return", "bulk", "cp932", "many"};
        for (const auto& [name, value] : kHostilePackages) {
            names.push_back(name);
        }
        return names;
    }()));
    packageCommand->add_option("--out", out, "Output file")->required();
    packageCommand->add_option("--seed", packageSeed);
    int packageCount = 1000;
    packageCommand->add_option("--count", packageCount, "Notifications in a \"many\" package");

    CLI11_PARSE(app, argc, argv);

    try {
        const tenvor::FormCatalogue catalogue;
        if (*folderCommand) {
            folder.failFraction = failPercent / 100.0;
            folder.shiftJisFraction = sjisPercent / 100.0;
            const auto files = tenvor::gen::GenerateFolder(catalogue, out, folder);
            std::size_t failing = 0;
            for (const auto& file : files) {
                failing += file.convertible ? 0 : 1;
            }
            std::cerr << files.size() << " files, " << failing << " failing on purpose\n";
        } else if (*oneCommand) {
            one.encoding = encoding == "sjis"      ? tenvor::gen::FileEncoding::ShiftJis
                           : encoding == "utf8bom" ? tenvor::gen::FileEncoding::Utf8Bom
                                                   : tenvor::gen::FileEncoding::Utf8;
            one.fault = kFaults.at(fault);
            const auto notification = tenvor::gen::Generate(catalogue, one);
            WriteBytes(out, notification.bytes);
            if (!expectedCsv.empty()) {
                WriteBytes(expectedCsv, notification.expectedCsv);
            }
        } else if (*packageCommand) {
            WriteBytes(out, MakePackage(catalogue, shape, packageSeed, packageCount).bytes);
        } else {
            for (const auto& file : tenvor::gen::GenerateExamples(catalogue, out)) {
                std::cout << file.name << (file.convertible ? "" : "\t(fails on purpose)") << "\n";
            }
            // A download as users get it, in a subfolder, so that a folder run of the examples
            // without -r leaves it alone: a cover letter, two notifications, their stylesheets.
            const std::string downloads = out + "/downloads";
            std::filesystem::create_directories(NativePath(downloads));
            const tenvor::gen::GeneratedPackage download = tenvor::gen::MakeFlatDownload(catalogue, 20260201);
            WriteBytes(downloads + "/" + download.fileName, download.bytes);
            std::cout << "downloads/" << download.fileName << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "tenvor-gen: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
