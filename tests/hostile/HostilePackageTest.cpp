// Hostile ZIP packages: each item ends as content or as a fault of the right kind, within
// bounded time and memory, without a crash and without a byte written anywhere. The bombs are
// listed and read in a child process whose time and peak memory are watched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "PackageGenerator.h"
#include "ZipBuilder.h"
#include "convert/NotificationLoader.h"
#include "diag/FailureReasons.h"
#include "faults/ChildProcess.h"
#include "forms/FormCatalogue.h"
#include "package/PackageLimits.h"
#include "package/PackageListing.h"
#include "package/PackageReader.h"
#include "run/InputList.h"
#include "run/InputReader.h"
#include "support/RecordingFrontEnd.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

constexpr long kMiB = 1024;  // peak memory is measured in KiB

std::string FaultName(const std::optional<PackageFault>& fault)
{
    if (!fault) {
        return "ok";
    }
    switch (fault->kind) {
        case PackageFaultKind::NotAZip:
            return "NotAZip";
        case PackageFaultKind::NestedTooDeep:
            return "NestedTooDeep";
        case PackageFaultKind::EncryptedMember:
            return "EncryptedMember";
        case PackageFaultKind::UnsupportedMethod:
            return "UnsupportedMethod";
        case PackageFaultKind::CrcMismatch:
            return "CrcMismatch";
        case PackageFaultKind::CorruptMember:
            return "CorruptMember";
        case PackageFaultKind::UnsafeName:
            return "UnsafeName";
        case PackageFaultKind::TooLarge:
            return "TooLarge";
        case PackageFaultKind::RatioTooHigh:
            return "RatioTooHigh";
        case PackageFaultKind::PackageMissing:
            return "PackageMissing";
        case PackageFaultKind::PackageUnreadable:
            return "PackageUnreadable";
        case PackageFaultKind::PackageVanished:
            return "PackageVanished";
        case PackageFaultKind::PackageChanged:
            return "PackageChanged";
        case PackageFaultKind::ReadError:
            return "ReadError";
        case PackageFaultKind::TooManyEntries:
            return "TooManyEntries";
        case PackageFaultKind::TooManyEntriesInAll:
            return "TooManyEntriesInAll";
        case PackageFaultKind::DirectoryTooLarge:
            return "DirectoryTooLarge";
        case PackageFaultKind::NestedZipTooLarge:
            return "NestedZipTooLarge";
        case PackageFaultKind::NameTooLong:
            return "NameTooLong";
        case PackageFaultKind::TooManyFolders:
            return "TooManyFolders";
        case PackageFaultKind::ComponentTooLong:
            return "ComponentTooLong";
        case PackageFaultKind::PathTooLong:
            return "PathTooLong";
        case PackageFaultKind::TooManyRecords:
            return "TooManyRecords";
        case PackageFaultKind::ListingTooLarge:
            return "ListingTooLarge";
    }
    return "?";
}

std::optional<PackageFault> FaultOf(const PackageResult<std::string>& read)
{
    return read ? std::nullopt : std::optional<PackageFault>(read.error());
}

// One item as listed and read: its displayed path, the fault the listing knew, what reading it
// gave, and the content.
struct Walked {
    std::string displayPath;
    std::string listed;
    std::string read;
    std::string bytes;
    std::string reason;  // of the fault reading gave, as a run records it
};

// Lists the package and reads every item; keepContents false drops each content once its size
// is known, as a run does once it has converted it. Kept contents are also claimed in order and
// the claims read afterwards, last first, as threads of a run may: each must give what reading
// the item gave.
std::vector<Walked> Walk(const std::string& path, bool keepContents = true)
{
    const PackageListing listing = ListPackageFile(path, path, {"P"});
    PackageReader reader(listing);
    PackageReader claimer(listing);
    std::vector<PackageResult<ClaimedMember>> claims;
    std::vector<PackageResult<std::string>> contents;
    std::vector<Walked> walked;
    for (std::size_t i = 0; i < listing.items.size(); ++i) {
        const PackageItem& item = listing.items[i];
        PackageResult<std::string> content = reader.Read(listing.items[i]);
        if (keepContents) {
            claims.push_back(claimer.Claim(item));
            contents.push_back(content);
        }
        std::string bytes = content ? std::move(*content) : std::string();
        walked.push_back({item.displayPath, FaultName(item.fault), FaultName(FaultOf(content)),
                          keepContents ? std::move(bytes) : std::to_string(bytes.size()),
                          content ? "" : PackageFaultReason(content.error())});
        for (const std::string& component : item.outputFolder) {
            EXPECT_TRUE(component != ".." && component != "." && !component.empty()) << item.displayPath;
        }
    }
    ClaimedMemberReader claimReader;
    for (std::size_t i = claims.size(); i-- > 0;) {
        const PackageResult<std::string> claimed =
            claims[i] ? claimReader.Read(*claims[i]) : PackageResult<std::string>(Unexpected{claims[i].error()});
        EXPECT_EQ(FaultOf(claimed), FaultOf(contents[i])) << listing.items[i].displayPath;
        EXPECT_EQ(claimed ? *claimed : "", contents[i] ? *contents[i] : "") << listing.items[i].displayPath;
    }
    return walked;
}

// The walk without the contents, one line per item (path, listed fault, read fault, size), so
// that a child process can hand it back.
std::string Summary(const std::string& path)
{
    std::string text;
    for (const Walked& item : Walk(path, false)) {
        text += item.displayPath + "\t" + item.listed + "\t" + item.read + "\t" + item.bytes + "\n";
    }
    return text;
}

class HostilePackageTest : public ::testing::Test {
protected:
    std::string Write(const gen::GeneratedPackage& package)
    {
        const std::string path = dir / package.fileName;
        test::WriteFile(path, package.bytes);
        return path;
    }

    std::string Write(gen::HostilePackage kind) { return Write(gen::MakeHostilePackage(catalogue, kind)); }

    std::string Member(const std::string& path, const std::string& memberPath) const
    {
        return test::Join(path, memberPath);
    }

    // Walks the package in a child that must end by itself within the time, and (without
    // AddressSanitizer) peak below the memory given; the summary it hands back.
    std::string WalkIsolated(const std::string& path, long maxPeakKb, double maxSeconds)
    {
        test::ChildLimits limits;
        limits.timeoutSeconds = 120;
        limits.addressSpaceBytes = std::size_t{4} << 30;
        const test::ChildResult result = test::RunInChild([&] { return Summary(path); }, limits);
        EXPECT_FALSE(result.timedOut);
        EXPECT_TRUE(result.exited) << "ended by signal " << result.signal << "\n" << result.errorOutput;
        EXPECT_EQ(result.exitCode, 0) << result.output;
        if (test::ChildrenAreIsolated()) {
            if (!test::UnderAddressSanitizer()) {
                EXPECT_LT(result.peakRssKb, maxPeakKb) << "peak memory " << result.peakRssKb / kMiB << " MiB";
                EXPECT_LT(result.seconds, maxSeconds);
            }
            std::printf("[ figures  ] %.2f s, peak %ld MiB\n", result.seconds, result.peakRssKb / kMiB);
        }
        return result.output;
    }

    test::TempDir dir;
    FormCatalogue catalogue;
};

TEST_F(HostilePackageTest, TraversalNamesAreRefusedAndNothingIsWritten)
{
    const gen::GeneratedPackage package = gen::MakeHostilePackage(catalogue, gen::HostilePackage::Traversal);
    const std::string path = Write(package);
    const std::vector<Walked> walked = Walk(path);
    ASSERT_EQ(walked.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(walked[i].listed, "UnsafeName") << walked[i].displayPath;
        EXPECT_EQ(walked[i].read, "UnsafeName");
        EXPECT_EQ(walked[i].reason, "安全でない名前です: ..");
        EXPECT_TRUE(walked[i].bytes.empty());
    }
    EXPECT_EQ(walked[0].displayPath, Member(path, "../../evil.xml"));
    EXPECT_EQ(walked[3].read, "ok");
    EXPECT_EQ(walked[3].bytes, package.xml[0].bytes);
    // Nothing was extracted: the folder holds the package alone, and nothing lies above it.
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"traversal.zip"});
    EXPECT_FALSE(test::Exists(dir / "../evil.xml"));
}

TEST_F(HostilePackageTest, AbsoluteServerAndDriveNamesAreRefused)
{
    const std::string path = Write(gen::HostilePackage::AbsoluteAndDriveNames);
    const PackageListing listing = ListPackageFile(path, path, {"P"});
    std::vector<std::string> parts;
    for (const PackageItem& item : listing.items) {
        if (item.fault && item.fault->kind == PackageFaultKind::UnsafeName) {
            parts.push_back(item.fault->detail);
        }
    }
    EXPECT_EQ(parts, (std::vector<std::string>{"/", "\\\\", "//", "C:", "c:"}));
    ASSERT_EQ(listing.items.size(), 6u);
    EXPECT_FALSE(listing.items[5].fault);
}

// 2 GiB of zeros in 2 MB: refused from its declared size, before anything is inflated.
TEST_F(HostilePackageTest, TwoGibibyteZeroBombIsRefusedQuicklyInBoundedMemory)
{
    const std::string path = Write(gen::HostilePackage::ZeroBomb);
    const std::string summary = WalkIsolated(path, 100 * kMiB, 5);
    EXPECT_EQ(summary, Member(path, "bomb.xml") + "\tTooLarge\tTooLarge\t0\n");
    EXPECT_EQ(PackageFaultReason({PackageFaultKind::TooLarge, {}}), "展開後のサイズが上限（256MiB）を超えます");
}

// The same bomb declaring 1,000 bytes: inflating stops right past them.
TEST_F(HostilePackageTest, ZeroBombLyingAboutItsSizeStopsWhileInflating)
{
    const std::string path = Write(gen::HostilePackage::LyingZeroBomb);
    EXPECT_EQ(WalkIsolated(path, 100 * kMiB, 5), Member(path, "bomb.xml") + "\tok\tCorruptMember\t0\n");
}

TEST_F(HostilePackageTest, MemberCompressedOverTheRatioIsRefused)
{
    const std::string path = Write(gen::HostilePackage::RatioBomb);
    EXPECT_EQ(WalkIsolated(path, 100 * kMiB, 5), Member(path, "ratio.xml") + "\tRatioTooHigh\tRatioTooHigh\t0\n");
    EXPECT_EQ(PackageFaultReason({PackageFaultKind::RatioTooHigh, {}}), "圧縮率が上限（1000倍）を超えます");
}

// A thousand entries sharing one mebibyte of deflated zeros: each passes the limits, but the
// package as a whole may not inflate beyond its budget.
TEST_F(HostilePackageTest, EntriesSharingTheirDataCannotMultiplyTheWork)
{
    const gen::GeneratedPackage package = gen::MakeHostilePackage(catalogue, gen::HostilePackage::OverlappingEntries);
    const std::string path = Write(package);
    const std::string summary = WalkIsolated(path, 100 * kMiB, 10);
    std::istringstream lines(summary);
    std::string line;
    std::size_t read = 0, refused = 0, other = 0;
    while (std::getline(lines, line)) {
        if (line.ends_with("\tok\tok\t1048576")) {
            ++read;
        } else if (line.ends_with("\tok\tRatioTooHigh\t0")) {
            ++refused;
        } else {
            ++other;
        }
    }
    EXPECT_EQ(read, PackageInflateBudget(package.bytes.size()) / (1 << 20));
    EXPECT_EQ(read + refused, 1000u);
    EXPECT_EQ(other, 0u) << summary.substr(0, 2000);
}

TEST_F(HostilePackageTest, ZipsNestedDeeperThanFourAreRefused)
{
    const gen::GeneratedPackage package = gen::MakeHostilePackage(catalogue, gen::HostilePackage::DeepNesting);
    const std::string path = Write(package);
    const std::vector<Walked> walked = Walk(path);
    ASSERT_EQ(walked.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(walked[i].displayPath, Member(path, package.xml[i].path));
        EXPECT_EQ(walked[i].read, "ok");
        EXPECT_EQ(walked[i].bytes, package.xml[i].bytes);
    }
    EXPECT_EQ(walked[4].displayPath, Member(path, "level2.zip/level3.zip/level4.zip/level5.zip"));
    EXPECT_EQ(walked[4].listed, "NestedTooDeep");
    EXPECT_EQ(walked[4].reason, "ZIPファイルの入れ子が深すぎます（4段まで）");
}

TEST_F(HostilePackageTest, EncryptedMemberIsRefusedWithoutReadingIt)
{
    const gen::GeneratedPackage package = gen::MakeHostilePackage(catalogue, gen::HostilePackage::EncryptedMember);
    const std::vector<Walked> walked = Walk(Write(package));
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0].listed, "EncryptedMember");
    EXPECT_EQ(walked[0].reason, "暗号化されたメンバーです（encryption method 1）");
    EXPECT_EQ(walked[1].bytes, package.xml[0].bytes);
}

TEST_F(HostilePackageTest, BrokenPackagesAreOneFaultOnTheirOwnPath)
{
    for (const gen::HostilePackage kind :
         {gen::HostilePackage::Truncated, gen::HostilePackage::BrokenCentralDirectory, gen::HostilePackage::NotAZip}) {
        const std::string path = Write(kind);
        const PackageListing listing = ListPackageFile(path, path, {"P"});
        ASSERT_EQ(listing.items.size(), 1u) << path;
        const PackageItem& item = listing.items[0];
        EXPECT_EQ(item.displayPath, path);
        EXPECT_TRUE(item.isZip);
        EXPECT_EQ(FaultName(item.fault), "NotAZip") << path;
        EXPECT_EQ(ErrorKindOf(PackageFaultKind::NotAZip), ErrorKind::FormatNotSupported);
        EXPECT_EQ(FaultOf(PackageReader(listing).Read(listing.items[0])), item.fault);
    }
}

TEST_F(HostilePackageTest, CrcMismatchIsFoundWhenTheMemberIsRead)
{
    const gen::GeneratedPackage package = gen::MakeHostilePackage(catalogue, gen::HostilePackage::CrcMismatch);
    const std::vector<Walked> walked = Walk(Write(package));
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0].listed, "ok");
    EXPECT_EQ(walked[0].read, "CrcMismatch");
    EXPECT_TRUE(walked[0].bytes.empty());
    EXPECT_EQ(walked[0].reason, "CRCが一致しません（CRC error）");
    EXPECT_EQ(walked[1].bytes, package.xml[0].bytes);
}

// A member too large to hold is parsed while it is inflated; its CRC is known only at its end,
// yet the fault is the member's, as for a member read whole, and the next member reads.
TEST_F(HostilePackageTest, LargeStreamedMemberWithACrcMismatchFailsWithTheMembersFault)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7130001";
    wanted.persons = 4000;
    const std::string big = gen::Generate(catalogue, wanted).bytes;
    ASSERT_GT(big.size(), InputReader::kStreamedMemberBytes);
    gen::ZipBuilder zip;
    zip.Add("big.xml", big, gen::ZipBuilder::Method::Store);
    zip.Add("big-good.xml", big);
    std::string bytes = zip.Finish();
    // A byte of an end tag in the middle: not well-formed from there on, and a CRC mismatch.
    const std::size_t data = gen::FindZipEntries(bytes).at(0).data;
    const std::size_t tag = big.find("</", big.size() / 2);
    bytes[data + tag + 2] = 'Z';
    const std::string path = dir / "big.zip";
    test::WriteFile(path, bytes);

    RunRequest request;
    request.inputs.push_back({InputMode::File, path});
    const InputList list = ListInputs(request).value();
    ASSERT_EQ(list.inputs.size(), 2u);
    const NotificationLoader loader(catalogue);
    InputReader reader(loader, list);
    const LoadResult first = reader.Parse(0, reader.Fetch(0));
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().reason, "CRCが一致しません（CRC error）");
    EXPECT_EQ(first.error().kind, ErrorKindOf(PackageFaultKind::CrcMismatch));
    EXPECT_EQ(FaultName(FaultOf(PackageReader(list.packages.at(0)).Read(list.packages.at(0).items.at(0)))),
              "CrcMismatch");
    const LoadResult second = reader.Parse(1, reader.Fetch(1));
    ASSERT_TRUE(second) << second.error().reason;
    EXPECT_EQ(second->insuredData.Size(), 4000u);
}

TEST_F(HostilePackageTest, DuplicateNamesBothComeThroughInStoredOrder)
{
    const gen::GeneratedPackage package = gen::MakeHostilePackage(catalogue, gen::HostilePackage::DuplicateNames);
    const std::string path = Write(package);
    const std::vector<Walked> walked = Walk(path);
    ASSERT_EQ(walked.size(), 2u);
    ASSERT_NE(package.xml[0].bytes, package.xml[1].bytes);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(walked[i].displayPath, Member(path, "7130001.xml"));
        EXPECT_EQ(walked[i].bytes, package.xml[i].bytes);
    }
}

// A package of more entries than the limit is one fault on its own path, found from its end
// before its directory is read, so that it costs neither time nor memory.
TEST_F(HostilePackageTest, PackageOfTooManyEntriesIsRefusedAtOpening)
{
    const std::string path = dir / "many.zip";
    test::WriteFile(path, gen::SharedEntryArchive("7130001.xml", "<N7130001/>", kMaxEntriesPerPackage + 1));
    EXPECT_EQ(WalkIsolated(path, 20 * kMiB, 1), path + "\tTooManyEntries\tTooManyEntries\t0\n");
    const std::vector<Walked> walked = Walk(path);
    ASSERT_EQ(walked.size(), 1u);
    EXPECT_EQ(walked[0].reason, "ZIPファイルのメンバーが多すぎます（100001個、上限100000個）");
}

// At the entry limit a package opens; its items stop at the record limit, where one item on
// the package says that the rest is not converted.
TEST_F(HostilePackageTest, ItemsPastTheRecordLimitAreOneFaultOnThePackage)
{
    const std::string path = dir / "records.zip";
    test::WriteFile(path, gen::SharedEntryArchive("x.xml", "", kMaxRecordsPerPackage));
    const PackageListing atLimit = ListPackageFile(path, path, {"P"});
    ASSERT_EQ(atLimit.items.size(), kMaxRecordsPerPackage);
    EXPECT_FALSE(atLimit.items.back().fault);

    test::WriteFile(path, gen::SharedEntryArchive("x.xml", "", kMaxEntriesPerPackage));
    const PackageListing over = ListPackageFile(path, path, {"P"});
    ASSERT_EQ(over.items.size(), kMaxRecordsPerPackage + 1);
    EXPECT_FALSE(over.items[kMaxRecordsPerPackage - 1].fault);
    const PackageItem& rest = over.items.back();
    EXPECT_EQ(rest.displayPath, path);
    EXPECT_TRUE(rest.isZip);
    ASSERT_TRUE(rest.fault);
    EXPECT_EQ(PackageFaultReason(*rest.fault),
              "ZIPファイルの中の変換するファイルが上限（50000件）に達したため、残りは変換していません");
    EXPECT_EQ(FaultOf(PackageReader(over).Read(rest)), rest.fault);
}

// Long names in many folders take memory before their number is reached: the items stop at
// the listing's memory limit the same way.
TEST_F(HostilePackageTest, ItemsPastTheListingMemoryLimitAreOneFaultOnThePackage)
{
    std::string name;
    for (int i = 0; i < 60; ++i) {
        name += std::string(15, static_cast<char>('a' + i % 26)) + "/";
    }
    name += std::string(36, 'x') + ".xml";
    const std::string path = dir / "long.zip";
    test::WriteFile(path, gen::SharedEntryArchive(name, "", 5'000));
    const PackageListing listing = ListPackageFile(path, path, {"P"});
    ASSERT_GT(listing.items.size(), 1'000u);
    ASSERT_LT(listing.items.size(), 5'000u);
    const PackageItem& rest = listing.items.back();
    EXPECT_EQ(rest.displayPath, path);
    ASSERT_TRUE(rest.fault);
    EXPECT_EQ(PackageFaultReason(*rest.fault),
              "ファイルの一覧が上限（16777216バイト）に達したため、このZIPファイルの残りは変換していません");
    EXPECT_LE(listing.ListedBytes() - rest.ListedBytes(), kMaxListedBytesPerPackage);
    EXPECT_FALSE(listing.items[listing.items.size() - 2].fault);
}

// The entries of nested ZIPs count towards their package's: the nested ZIP that takes the total
// past the limit is refused whole, and the package's other members go on.
TEST_F(HostilePackageTest, NestedZipsCountTowardsTheirPackagesEntries)
{
    const std::string notification = gen::MakeFlatDownload(catalogue, 61).xml[1].bytes;
    gen::ZipBuilder small;
    small.Add("x.xml", notification);
    gen::ZipBuilder outer;
    outer.Add("n1.zip", gen::SharedEntryArchive("a.txt", "", 60'000), gen::ZipBuilder::Method::Store);
    outer.Add("n2.zip", gen::SharedEntryArchive("a.txt", "", 60'000), gen::ZipBuilder::Method::Store);
    outer.Add("n3.zip", small.Finish(), gen::ZipBuilder::Method::Store);
    const std::string path = dir / "nested.zip";
    test::WriteFile(path, outer.Finish());
    const std::vector<Walked> walked = Walk(path);
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0].displayPath, Member(path, "n2.zip"));
    EXPECT_EQ(walked[0].listed, "TooManyEntriesInAll");
    EXPECT_EQ(walked[0].reason,
              "ZIPファイルのメンバーが中のZIPファイルの分と合わせて多すぎます（120003個、上限100000個）");
    EXPECT_EQ(walked[1].displayPath, Member(path, "n3.zip/x.xml"));
    EXPECT_EQ(walked[1].bytes, notification);
}

// A nested ZIP is read into memory: one larger than the nested ZIPs may together be is refused
// by its declared size, before anything of it is read.
TEST_F(HostilePackageTest, NestedZipTooLargeToHoldIsRefusedBeforeReading)
{
    const std::string notification = gen::MakeFlatDownload(catalogue, 62).xml[1].bytes;
    gen::ZipBuilder inner;
    inner.Add("x.xml", notification);
    gen::ZipBuilder outer;
    outer.Add("big.zip", inner.Finish(), gen::ZipBuilder::Method::Store);
    outer.Add("plain.xml", notification);
    std::string bytes = outer.Finish();
    gen::SetDeclaredSize(bytes, 0, static_cast<std::uint32_t>(kMaxNestedZipBytesHeld + 1));
    const std::string path = dir / "big.zip";
    test::WriteFile(path, bytes);
    const std::vector<Walked> walked = Walk(path);
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0].listed, "NestedZipTooLarge");
    EXPECT_EQ(walked[0].reason,
              "ZIPファイルの中のZIPファイルが大きすぎます（開いているZIPファイルと合わせて33554433バイト、上限33554432"
              "バイト）");
    EXPECT_EQ(walked[1].bytes, notification);
}

// Packages over the limits in one run: each is a record of kind 1, never a stop, no folder is
// made for a member refused, and the run converts the rest; a folder name of 300 bytes, which
// no file system holds, included.
TEST_F(HostilePackageTest, ARunRecordsEveryLimitAsKindOneAndGoesOn)
{
    test::RunFixture fixture;
    const gen::GeneratedPackage plain = gen::MakeFlatDownload(catalogue, 63);
    const std::string notification = plain.xml[1].bytes;
    test::WriteFile(test::Join(fixture.in, "many.zip"),
                    gen::SharedEntryArchive("7130001.xml", notification, kMaxEntriesPerPackage + 1));
    std::string deep;
    for (int i = 0; i <= 64; ++i) {
        deep += "f/";
    }
    gen::ZipBuilder names;
    names.Add(std::string(300, 'd') + "/7130001.xml", notification);
    names.Add(deep + "7130001.xml", notification);
    names.Add(std::string(1100, 'n') + ".xml", notification);
    names.Add("good/7130001.xml", notification);
    test::WriteFile(test::Join(fixture.in, "names.zip"), names.Finish());
    test::WriteFile(test::Join(fixture.in, plain.fileName), plain.bytes);
    fixture.window.recursive = true;
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    std::vector<std::string> reasons;
    for (const StErrorInfo& record : fixture.engine->ErrorRecords()) {
        EXPECT_EQ(record.errorKind, ErrorKind::FormatNotSupported) << record.filePath << ": " << record.reason;
        reasons.push_back(record.reason);
    }
    std::sort(reasons.begin(), reasons.end());
    EXPECT_EQ(reasons, (std::vector<std::string>{
                           "ZIPファイルのメンバーが多すぎます（100001個、上限100000個）",
                           "ファイル名またはフォルダ名が長すぎます（300バイト、上限255バイト）",
                           "メンバーのフォルダが深すぎます（65段、上限64段）",
                           "メンバーの名前が長すぎます（1104バイト、上限1024バイト）",
                       }));
    EXPECT_EQ(test::ListDir(test::Join(fixture.out, "names")), std::vector<std::string>{"good"});
    EXPECT_TRUE(test::Exists(test::Join(fixture.out, "names/good/7130001.csv")));
    EXPECT_TRUE(test::Exists(test::Join(fixture.out, "公文書(002)/7130001.csv")));
    EXPECT_FALSE(test::Exists(test::Join(fixture.out, "many")));
}

// The hostile packages in one run over their folder: each fault is a record of its own, the run
// goes on and converts what is harmless, and nothing is written anywhere but below the output
// folder, in folders named like the packages.
TEST_F(HostilePackageTest, ARunRecordsEachFaultConvertsTheRestAndWritesOnlyBelowItsOutputFolder)
{
    test::RunFixture fixture;
    for (const gen::HostilePackage kind :
         {gen::HostilePackage::Traversal, gen::HostilePackage::AbsoluteAndDriveNames,
          gen::HostilePackage::EncryptedMember, gen::HostilePackage::CrcMismatch, gen::HostilePackage::DuplicateNames,
          gen::HostilePackage::DeepNesting, gen::HostilePackage::NotAZip, gen::HostilePackage::Truncated,
          gen::HostilePackage::BrokenCentralDirectory}) {
        const gen::GeneratedPackage package = gen::MakeHostilePackage(catalogue, kind);
        test::WriteFile(test::Join(fixture.in, package.fileName), package.bytes);
    }
    const std::vector<std::string> inputs = test::ListDir(fixture.in);
    fixture.window.recursive = true;
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    int sameFile = 0;
    int format = 0;
    for (const StErrorInfo& record : fixture.engine->ErrorRecords()) {
        (record.errorKind == ErrorKind::SameFile ? sameFile : format) += 1;
        EXPECT_NE(record.errorKind, ErrorKind::NoPermission) << record.filePath;
    }
    // 3 traversals, 5 absolute names, the encrypted member, the CRC mismatch, the fifth level of
    // nesting and the three broken packages; the second of the duplicates finds the first's CSV.
    EXPECT_EQ(format, 3 + 5 + 1 + 1 + 1 + 3);
    EXPECT_EQ(sameFile, 1);
    // The safe member beside the traversals and the absolute names, the plain one beside the
    // encrypted one, the good one beside the CRC mismatch, the first duplicate, four levels.
    const std::string out = fixture.out;
    for (const char* csv : {"traversal/safe.csv", "absolute/safe.csv", "encrypted/plain.csv", "crc/good.csv",
                            "duplicates/7130001.csv", "nested/n1.csv", "nested/level2/level3/level4/n4.csv"}) {
        EXPECT_TRUE(test::Exists(test::Join(out, csv))) << csv;
    }
    EXPECT_EQ(test::ListDir(fixture.in), inputs);
    std::vector<std::string> top = test::ListDir(fixture.dir.path());
    top.erase(std::remove(top.begin(), top.end(), "home"), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"in", "out"}));
    EXPECT_EQ(test::ListDir(out),
              (std::vector<std::string>{"absolute", "crc", "duplicates", "encrypted", "nested", "traversal"}));
}

}  // namespace
}  // namespace tenvor
