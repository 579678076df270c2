// Packages as users download them, listed and read: the items, their displayed paths and
// output folders, and their contents; and what happens when a package is not there, is no ZIP,
// or changes between listing and reading.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "PackageGenerator.h"
#include "ZipBuilder.h"
#include "diag/FailureReasons.h"
#include "forms/FormCatalogue.h"
#include "package/MemberPath.h"
#include "package/PackageLimits.h"
#include "package/PackageListing.h"
#include "package/PackageReader.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

class PackageListingTest : public ::testing::Test {
protected:
    // Writes the package into the temporary folder under its own name; its path.
    std::string Write(const gen::GeneratedPackage& package)
    {
        const std::string path = dir / package.fileName;
        test::WriteFile(path, package.bytes);
        return path;
    }

    static PackageListing List(const std::string& path, std::vector<std::string> prefix = {})
    {
        if (prefix.empty()) {
            prefix.push_back(PackageFolderName(test::Utf8Path(test::NativePath(path).filename())));
        }
        return ListPackageFile(path, path, prefix);
    }

    // The content read, or the reason of the fault that prevented it.
    static std::string ContentOrReason(const PackageResult<std::string>& read)
    {
        return read ? *read : "fault: " + PackageFaultReason(read.error());
    }

    // Every item is what the generator put there, in its order, under the package's path, and
    // reads back as it was written.
    static void ExpectItems(const PackageListing& listing, const std::string& path,
                            const gen::GeneratedPackage& package)
    {
        ASSERT_EQ(listing.items.size(), package.xml.size());
        PackageReader reader(listing);
        for (std::size_t i = 0; i < package.xml.size(); ++i) {
            const PackageItem& item = listing.items[i];
            EXPECT_EQ(item.displayPath, test::Join(path, package.xml[i].path));
            EXPECT_FALSE(item.fault) << item.displayPath << ": "
                                     << PackageFaultReason(item.fault.value_or(PackageFault{}));
            EXPECT_FALSE(item.isZip);
            EXPECT_EQ(ContentOrReason(reader.Read(listing.items[i])), package.xml[i].bytes) << item.displayPath;
        }
    }

    test::TempDir dir;
    FormCatalogue catalogue;
};

TEST_F(PackageListingTest, FlatDownloadGivesCoverLetterAndNotifications)
{
    const gen::GeneratedPackage package = gen::MakeFlatDownload(catalogue, 11);
    const std::string path = Write(package);
    const PackageListing listing = List(path);
    ExpectItems(listing, path, package);
    // The cover letter, then the notifications; stylesheets are passed over.
    ASSERT_EQ(listing.items.size(), 3u);
    EXPECT_EQ(package.xml[0].documentElement, "DOC");
    EXPECT_EQ(listing.items[1].baseName, "7130001");
    EXPECT_EQ(listing.items[2].baseName, "7200001");
    for (const PackageItem& item : listing.items) {
        EXPECT_EQ(item.outputFolder, std::vector<std::string>{"公文書(002)"});
    }
    // The next download holds the same names; only its folder differs.
    test::WriteFile(dir / "公文書(002) (1).zip", gen::MakeFlatDownload(catalogue, 12).bytes);
    const PackageListing next = List(dir / "公文書(002) (1).zip");
    ASSERT_EQ(next.items.size(), 3u);
    EXPECT_EQ(next.items[1].outputFolder, std::vector<std::string>{"公文書(002) (1)"});
    EXPECT_EQ(next.items[1].baseName, "7130001");
}

TEST_F(PackageListingTest, ReturnNoticeIsReadThroughItsNestedZip)
{
    const gen::GeneratedPackage package = gen::MakeReturnNotice(21);
    const std::string path = Write(package);
    const PackageListing listing = List(path);
    ExpectItems(listing, path, package);
    ASSERT_EQ(listing.items.size(), 2u);
    // dl/返戻のお知らせ.zip/{no}.zip/{no}/henrei.xml goes to 返戻のお知らせ/{no}/{no}/henrei.csv.
    const std::string number = package.xml[1].path.substr(0, package.xml[1].path.find('.'));
    EXPECT_EQ(listing.items[1].outputFolder, (std::vector<std::string>{"返戻のお知らせ", number, number}));
    EXPECT_EQ(listing.items[1].baseName, "henrei");
    EXPECT_EQ(listing.items[1].OutputFolderPath(), test::Join("返戻のお知らせ", number + "/" + number));
    EXPECT_EQ(package.xml[1].documentElement, "_返戻票");
}

TEST_F(PackageListingTest, BulkExportKeepsItsNumberedFolders)
{
    const gen::GeneratedPackage package = gen::MakeBulkExport(catalogue, 31, 3);
    const std::string path = Write(package);
    const PackageListing listing = List(path, {"S", "公文書・一括出力"});
    ExpectItems(listing, path, package);
    ASSERT_EQ(listing.items.size(), 9u);
    const std::string folder = package.xml[4].path.substr(0, package.xml[4].path.find('/'));
    EXPECT_TRUE(folder.starts_with("0002_株式会社テスト_")) << folder;
    EXPECT_EQ(listing.items[4].outputFolder, (std::vector<std::string>{"S", "公文書・一括出力", folder}));
}

// An export as large as honest ones get: hundreds of numbered folders, each with its download and
// a filing ZIP (a return notice) inside, lists and reads within every limit.
TEST_F(PackageListingTest, BulkExportOfHundredsOfFoldersWithNestedZipsPassesTheLimits)
{
    const gen::GeneratedPackage download = gen::MakeFlatDownload(catalogue, 1);
    const gen::GeneratedPackage filing = gen::MakeReturnNotice(1);
    gen::ZipBuilder zip;
    gen::GeneratedPackage package;
    for (int i = 1; i <= 300; ++i) {
        const std::string folder =
            std::to_string(1000 + i) + "_株式会社テスト_対象従業員_[社保]算定基礎_" + std::to_string(900000 + i) + "/";
        zip.AddFolder(folder);
        for (const gen::PackagedXml& xml : download.xml) {
            zip.Add(folder + xml.path, xml.bytes);
            package.xml.push_back({folder + xml.path, xml.bytes, xml.documentElement});
        }
        zip.Add(folder + "返戻.zip", filing.bytes, gen::ZipBuilder::Method::Store);
        for (const gen::PackagedXml& xml : filing.xml) {
            package.xml.push_back({folder + "返戻.zip/" + xml.path, xml.bytes, xml.documentElement});
        }
    }
    package.fileName = "公文書・一括出力.zip";
    package.bytes = zip.Finish();
    const std::string path = Write(package);
    ExpectItems(List(path), path, package);
    EXPECT_GT(package.xml.size(), 1'000u);
}

// A member over a limit of its path is one item with its fault, named with the number and the
// limit; no folder of it is kept, and the members at the limits and beside it list as usual.
TEST_F(PackageListingTest, MembersOverTheLimitsOfTheirPathsAreRefusedOneByOne)
{
    const std::string notification = gen::MakeFlatDownload(catalogue, 51).xml[1].bytes;
    const std::string folder250 = std::string(250, 'a') + "/";
    const std::string atNameLimit = folder250 + folder250 + folder250 + folder250 + std::string(16, 'b') + ".xml";
    ASSERT_EQ(atNameLimit.size(), kMaxMemberNameBytes);
    std::string deep;
    for (std::uint64_t i = 0; i < kMaxMemberFolders; ++i) {
        deep += "f/";
    }
    const std::string atComponentLimit = std::string(kMaxComponentBytes - 4, 'c') + ".xml";
    std::string japanese;  // 86 characters, 258 bytes
    for (int i = 0; i < 86; ++i) {
        japanese += "あ";
    }
    const std::vector<std::pair<std::string, std::string>> members = {
        {atNameLimit, ""},
        {atNameLimit.substr(0, atNameLimit.size() - 4) + "b.xml",
         "メンバーの名前が長すぎます（1025バイト、上限1024バイト）"},
        {deep + "64.xml", ""},
        {deep + "f/65.xml", "メンバーのフォルダが深すぎます（65段、上限64段）"},
        {atComponentLimit, ""},
        {std::string(300, 'd') + "/300.xml", "ファイル名またはフォルダ名が長すぎます（300バイト、上限255バイト）"},
        {japanese + ".xml", "ファイル名またはフォルダ名が長すぎます（262バイト、上限255バイト）"},
        {"good.xml", ""},
    };
    gen::ZipBuilder zip;
    for (const auto& [name, reason] : members) {
        zip.Add(name, notification);
    }
    const std::string path = dir / "limits.zip";
    test::WriteFile(path, zip.Finish());
    const PackageListing listing = List(path);
    ASSERT_EQ(listing.items.size(), members.size());
    PackageReader reader(listing);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const PackageItem& item = listing.items[i];
        const std::string& reason = members[i].second;
        if (reason.empty()) {
            EXPECT_FALSE(item.fault) << item.displayPath;
            EXPECT_EQ(ContentOrReason(reader.Read(item)), notification);
            continue;
        }
        ASSERT_TRUE(item.fault) << members[i].first;
        EXPECT_EQ(ErrorKindOf(item.fault->kind), ErrorKind::FormatNotSupported);
        EXPECT_EQ(PackageFaultReason(*item.fault), reason);
        EXPECT_EQ(ContentOrReason(reader.Read(item)), "fault: " + reason);
        EXPECT_EQ(item.outputFolder, std::vector<std::string>{"limits"});
    }
    // The name too long is shown shortened.
    EXPECT_EQ(listing.items[1].displayPath, test::Join(path, atNameLimit.substr(0, 128)) + "…");
    EXPECT_EQ(listing.items[2].outputFolder.size(), 1 + kMaxMemberFolders);
}

// Below the output folder, the package's folder, those of nested ZIPs and the member's own may
// together be at most kMaxOutputPathBytes long.
TEST_F(PackageListingTest, AnOutputPathTooLongIsRefused)
{
    const std::string notification = gen::MakeFlatDownload(catalogue, 52).xml[1].bytes;
    const std::string folder250 = std::string(250, 'a') + "/";
    gen::ZipBuilder inner;
    inner.Add(folder250 + folder250 + folder250 + "x.xml", notification);
    gen::ZipBuilder outer;
    outer.Add(folder250 + folder250 + "n.zip", inner.Finish(), gen::ZipBuilder::Method::Store);
    outer.Add("n.xml", notification);
    const std::string path = dir / "P.zip";
    test::WriteFile(path, outer.Finish());
    // P/ + 2 folders + n/ + 3 folders + x.csv: 2 + 502 + 2 + 753 + 5 = 1264 bytes; four folders
    // more before it (where a folder input found the package) take it past the limit.
    const PackageListing fits = List(path);
    ASSERT_EQ(fits.items.size(), 2u);
    EXPECT_FALSE(fits.items[0].fault);
    const PackageListing over =
        List(path, {std::string(250, 's'), std::string(250, 't'), std::string(250, 'u'), std::string(250, 'v'), "P"});
    ASSERT_EQ(over.items.size(), 2u);
    ASSERT_TRUE(over.items[0].fault);
    EXPECT_EQ(PackageFaultReason(*over.items[0].fault), "出力先のパスが長すぎます（2268バイト、上限2048バイト）");
    EXPECT_FALSE(over.items[1].fault);
}

TEST_F(PackageListingTest, Cp932NamesFromWindowsCompressedFoldersAreDecoded)
{
    const gen::GeneratedPackage package = gen::MakeCp932NamedDownload(catalogue, 41);
    const std::string path = Write(package);
    const PackageListing listing = List(path);
    ExpectItems(listing, path, package);
    ASSERT_EQ(listing.items.size(), 3u);
    EXPECT_EQ(listing.items[2].outputFolder,
              (std::vector<std::string>{"公文書フォルダー", "公文書(002)", "添付書類_表"}));
}

TEST_F(PackageListingTest, ThePrefixIsSanitisedLikeAnyName)
{
    const std::string path = Write(gen::MakeFlatDownload(catalogue, 13));
    const PackageListing listing = List(path, {"a:b", ".", "", "..", "P"});
    ASSERT_FALSE(listing.items.empty());
    EXPECT_EQ(listing.items[0].outputFolder, (std::vector<std::string>{"a_b", "__", "P"}));
}

// The reader keeps what it needs: the listing may go once the reader is made.
TEST_F(PackageListingTest, ItemsMayBeSkippedAndReadAgainAfterTheListingWent)
{
    const gen::GeneratedPackage package = gen::MakeBulkExport(catalogue, 32, 2);
    auto listing = std::make_unique<PackageListing>(List(Write(package)));
    ASSERT_EQ(listing->items.size(), 6u);
    PackageReader reader(*listing);
    const std::vector<PackageItem> items = listing->items;
    listing.reset();
    EXPECT_EQ(ContentOrReason(reader.Read(items[4])), package.xml[4].bytes);
    EXPECT_EQ(ContentOrReason(reader.Read(items[1])), package.xml[1].bytes);
    EXPECT_EQ(ContentOrReason(reader.Read(items[5])), package.xml[5].bytes);
}

TEST_F(PackageListingTest, PackageThatIsNotThereOrNoFileIsKindTwo)
{
    const std::string missing = dir / "missing.zip";
    const PackageListing listing = List(missing);
    ASSERT_EQ(listing.items.size(), 1u);
    EXPECT_EQ(listing.items[0].displayPath, missing);
    EXPECT_TRUE(listing.items[0].isZip);
    EXPECT_EQ(listing.items[0].fault.value().kind, PackageFaultKind::PackageMissing);
    EXPECT_EQ(ErrorKindOf(PackageFaultKind::PackageMissing), ErrorKind::FileMissing);
    EXPECT_EQ(listing.items[0].outputFolder, std::vector<std::string>{"missing"});

    test::MakeDir(dir / "folder.zip");
    const PackageListing folder = List(dir / "folder.zip");
    ASSERT_EQ(folder.items.size(), 1u);
    EXPECT_EQ(folder.items[0].fault.value().kind, PackageFaultKind::PackageUnreadable);
    EXPECT_EQ(PackageReader(folder).Read(folder.items[0]).error(), folder.items[0].fault);
    EXPECT_EQ(ErrorKindOf(PackageFaultKind::PackageUnreadable), ErrorKind::FileMissing);
}

TEST_F(PackageListingTest, EmptyFileIsNoZip)
{
    test::WriteFile(dir / "empty.zip", "");
    const PackageListing listing = List(dir / "empty.zip");
    ASSERT_EQ(listing.items.size(), 1u);
    EXPECT_EQ(listing.items[0].fault, (PackageFault{PackageFaultKind::NotAZip, "empty file"}));
    EXPECT_EQ(ErrorKindOf(PackageFaultKind::NotAZip), ErrorKind::FormatNotSupported);
    EXPECT_EQ(PackageFaultReason(listing.items[0].fault.value()),
              "ZIPファイルとして読めません（破損しているか、ZIPファイルではありません）（empty file）");
}

TEST_F(PackageListingTest, PackageChangedAfterListingIsReportedForEveryItem)
{
    const gen::GeneratedPackage package = gen::MakeFlatDownload(catalogue, 14);
    const std::string path = Write(package);
    const PackageListing listing = List(path);
    ASSERT_EQ(listing.items.size(), 3u);
    // Another download saved over it: other contents, other size.
    test::WriteFile(path, gen::MakeBulkExport(catalogue, 15, 1).bytes);
    PackageReader reader(listing);
    for (std::size_t i = 0; i < listing.items.size(); ++i) {
        const PackageResult<std::string> content = reader.Read(listing.items[i]);
        ASSERT_FALSE(content);
        EXPECT_EQ(content.error().kind, PackageFaultKind::PackageChanged);
    }
    EXPECT_EQ(ErrorKindOf(PackageFaultKind::PackageChanged), ErrorKind::FileMissing);
}

TEST_F(PackageListingTest, PackageRemovedAfterListingHasVanished)
{
    const std::string path = Write(gen::MakeFlatDownload(catalogue, 16));
    const PackageListing listing = List(path);
    std::filesystem::remove(test::NativePath(path));
    EXPECT_EQ(PackageReader(listing).Read(listing.items[0]).error().kind, PackageFaultKind::PackageVanished);
}

TEST_F(PackageListingTest, PackageInMemoryListsAndReadsLikeAFile)
{
    const gen::GeneratedPackage package = gen::MakeReturnNotice(22);
    const PackageListing listing =
        ListPackageBytes(std::make_shared<const std::string>(package.bytes), "mem.zip", {"mem"});
    ExpectItems(listing, "mem.zip", package);
}

}  // namespace
}  // namespace tenvor
