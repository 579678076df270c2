// Fuzz target: arbitrary bytes as a ZIP package, listed and read from memory the way a run lists
// and reads a package (nested ZIPs included).
//
// Besides the sanitizers' findings it stops on results that break the package rules:
//  - every output folder component and base name is a valid Windows file name in UTF-8 that
//    stays where it is put: not empty, not "." or "..", no separator, none of : * ? " < > |,
//    no control character, no trailing dot or space, no reserved device name;
//  - every displayed path starts with the package's;
//  - a package in memory gives faults of kind 1 only (there is no file to lose);
//  - reading an item the listing refused gives that refusal, and read content never exceeds
//    the member limit;
//  - an item claimed in order and read afterwards (last first) gives what reading it gave;
//  - listing the same bytes twice gives the same items.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/PackageLimits.h"
#include "package/PackageListing.h"
#include "package/PackageReader.h"
#include "platform/TextCodec.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_package: %s\n", what);
        std::abort();
    }
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsReservedStem(std::string stem)
{
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    for (char& c : stem) {
        c = AsciiUpper(c);
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" || stem == "CONOUT$") {
        return true;
    }
    const bool port = stem.size() >= 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0);
    const std::string_view number = port ? std::string_view(stem).substr(3) : std::string_view();
    return port && ((number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\u00B9" ||
                    number == "\u00B2" || number == "\u00B3");
}

void CheckFileName(const std::string& name)
{
    Check(!name.empty() && name != "." && name != "..", "an empty, \".\" or \"..\" name");
    Check(name.back() != '.' && name.back() != ' ', "a name ending in a dot or a space");
    std::size_t i = 0;
    while (i < name.size()) {
        char32_t character = 0;
        const std::size_t length = tenvor::DecodeUtf8(name, i, character);
        Check(length != 0, "a name that is no valid UTF-8");
        Check(character >= 0x20 && std::u32string_view(U"\\/:*?\"<>|").find(character) == std::u32string_view::npos,
              "a character no Windows name holds");
        i += length;
    }
    Check(!IsReservedStem(name.substr(0, name.find('.'))), "a reserved device name");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto bytes = std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size);
    const tenvor::PackageListing listing = tenvor::ListPackageBytes(bytes, "in/fuzz.zip", {"fuzz"});
    tenvor::PackageReader reader(listing);
    tenvor::PackageReader claimer(listing);
    std::vector<tenvor::PackageResult<tenvor::ClaimedMember>> claims;
    std::vector<tenvor::PackageResult<std::string>> contents;
    for (std::size_t i = 0; i < listing.items.size(); ++i) {
        const tenvor::PackageItem& item = listing.items[i];
        Check(item.displayPath.rfind("in/fuzz.zip", 0) == 0, "a displayed path outside the package's");
        Check(!item.outputFolder.empty() && item.outputFolder[0] == "fuzz", "an output folder without the prefix");
        for (const std::string& component : item.outputFolder) {
            CheckFileName(component);
        }
        Check(!item.isZip || item.baseName.empty(), "a base name for a ZIP");
        Check(item.isZip || item.fault || !item.baseName.empty(), "a member without a base name");
        if (!item.baseName.empty()) {
            CheckFileName(item.baseName);
        }
        Check(!item.fault || tenvor::ErrorKindOf(item.fault->kind) == tenvor::ErrorKind::FormatNotSupported,
              "a package in memory with a fault of kind 2");

        const tenvor::PackageResult<std::string> content = reader.Read(listing.items[i]);
        Check(!item.fault || (!content && content.error() == *item.fault),
              "reading an item gives other than the listing's refusal");
        Check(content || tenvor::ErrorKindOf(content.error().kind) == tenvor::ErrorKind::FormatNotSupported,
              "reading from memory gives a kind 2 fault");
        Check(!content || content->size() <= tenvor::kMaxMemberBytes, "content over the member limit");
        claims.push_back(claimer.Claim(item));
        contents.push_back(content);
    }
    tenvor::ClaimedMemberReader claimReader;
    for (std::size_t i = claims.size(); i-- > 0;) {
        const tenvor::PackageResult<std::string> claimed =
            claims[i] ? claimReader.Read(*claims[i])
                      : tenvor::PackageResult<std::string>(tenvor::Unexpected{claims[i].error()});
        Check(claimed.has_value() == contents[i].has_value() &&
                  (claimed ? *claimed == *contents[i] : claimed.error() == contents[i].error()),
              "a claimed item read later gives other than reading it");
    }

    const tenvor::PackageListing again = tenvor::ListPackageBytes(bytes, "in/fuzz.zip", {"fuzz"});
    Check(again.items.size() == listing.items.size(), "listing twice gives other items");
    for (std::size_t i = 0; i < again.items.size(); ++i) {
        Check(again.items[i].displayPath == listing.items[i].displayPath &&
                  again.items[i].location == listing.items[i].location &&
                  again.items[i].fault == listing.items[i].fault,
              "listing twice gives other items");
    }
    return 0;
}
