// Packages as users download them, listed and read: the items, their displayed paths and
// output folders, and their contents; and what happens when a package is not there, is no ZIP,
// or changes between listing and reading.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "PackageGenerator.h"
#include "diag/FailureReasons.h"
#include "forms/FormCatalogue.h"
#include "package/MemberPath.h"
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
