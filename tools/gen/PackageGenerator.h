// Synthetic ZIP packages of notifications, as users download them, with invented values: a flat
// download (a cover letter signed like the real ones, its stylesheet, two notifications with
// theirs), a return notice (a text file and a stored ZIP with a folder holding a cover letter
// and the return slip), a bulk export (numbered folders of flat downloads, UTF-8 names with the
// flag) and a download packed by Windows' own compressed folders (code page 932 names without
// the flag). Also the hostile packages a reader must survive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tenvor {
class FormCatalogue;
}

namespace tenvor::gen {

// An XML member the package holds, as a reader should find it.
struct PackagedXml {
    // Its path below the package, '/' between folders and through nested ZIPs
    // ("123.zip/123/henrei.xml"), in UTF-8.
    std::string path;
    std::string bytes;
    std::string documentElement;  // "DOC" for a cover letter, the form id, "_返戻票"
};

struct GeneratedPackage {
    std::string fileName;  // the name users' downloads have, such as "公文書(002).zip"
    std::string bytes;
    std::vector<PackagedXml> xml;  // in the order a reader finds them
};

GeneratedPackage MakeFlatDownload(const FormCatalogue& catalogue, std::uint32_t seed);
GeneratedPackage MakeReturnNotice(std::uint32_t seed);
GeneratedPackage MakeBulkExport(const FormCatalogue& catalogue, std::uint32_t seed, int folders = 3);
GeneratedPackage MakeCp932NamedDownload(const FormCatalogue& catalogue, std::uint32_t seed);

// A package of count notifications of every form, flat, deflated (for benchmarks).
GeneratedPackage MakeManyMemberPackage(const FormCatalogue& catalogue, std::uint32_t seed, int count);

enum class HostilePackage {
    Traversal,               // "../../evil.xml" and "a/../../evil.xml" beside a harmless member
    AbsoluteAndDriveNames,   // "/tmp/…", "\\server\…", "//server/…", "C:\…", "C:…"
    ZeroBomb,                // one member of 2 GiB of zeros, deflated (about 2 MB), declared honestly
    LyingZeroBomb,           // the same member declaring 1,000 bytes
    RatioBomb,               // 64 MiB of zeros: over 1 MiB and compressed about 1,030 times
    DeepNesting,             // ZIPs nested five deep (the package is the first), a notification in each
    EncryptedMember,         // a member whose headers say it is encrypted, beside a plain one
    Truncated,               // a download cut off in its middle
    BrokenCentralDirectory,  // a download whose central directory has a broken entry
    CrcMismatch,             // a stored member with one byte of its data changed
    DuplicateNames,          // two members of one name with different contents
    NotAZip,                 // text named .zip
    OverlappingEntries,      // 1,000 entries sharing the data of one (1 MiB of zeros each)
};

// The hostile package; for those with readable members, xml lists what a reader should find.
GeneratedPackage MakeHostilePackage(const FormCatalogue& catalogue, HostilePackage kind);

}  // namespace tenvor::gen
