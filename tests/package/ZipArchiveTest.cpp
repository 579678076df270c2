// The archive itself: what a path that holds no archive gives, what an entry says about itself,
// and what reading an entry gives back when its data is not what it claims.
#include <gtest/gtest.h>

#include <string>

#include "PackageGenerator.h"
#include "ZipBuilder.h"
#include "forms/FormCatalogue.h"
#include "package/ZipArchive.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

constexpr ZipReadLimits kLimits{std::uint64_t{256} << 20, 1000, std::uint64_t{1} << 20};

ZipArchive Opened(std::string bytes)
{
    PackageResult<ZipArchive> archive = ZipArchive::OpenBytes(std::move(bytes));
    if (!archive) {
        ADD_FAILURE() << archive.error().detail;
        throw std::runtime_error("archive did not open");
    }
    return std::move(*archive);
}

TEST(ZipArchive, APathWithoutAnArchiveSaysWhatIsThere)
{
    test::TempDir dir;
    EXPECT_EQ(ZipArchive::OpenFile(dir / "missing.zip").error().kind, PackageFaultKind::PackageMissing);
    EXPECT_EQ(ZipArchive::OpenFile(dir / "missing/inner.zip").error().kind, PackageFaultKind::PackageMissing);
    test::MakeDir(dir / "folder.zip");
    EXPECT_EQ(ZipArchive::OpenFile(dir / "folder.zip").error().kind, PackageFaultKind::PackageUnreadable);
    test::WriteFile(dir / "text.zip", "PK\x03\x04 and nothing after it");
    const PackageResult<ZipArchive> text = ZipArchive::OpenFile(dir / "text.zip");
    EXPECT_EQ(text.error().kind, PackageFaultKind::NotAZip) << text.error().detail;
    EXPECT_FALSE(text.error().detail.empty());
}

// A download saved again over the one being read: what no longer reads is the file's change,
// not a broken archive.
TEST(ZipArchive, AFileRewrittenWhileOpenIsChangedNotCorrupt)
{
    const FormCatalogue catalogue;
    test::TempDir dir;
    const std::string path = dir / "公文書・一括出力.zip";
    // Large enough that its end lies beyond what a read at its start buffers.
    const std::string bytes = gen::MakeBulkExport(catalogue, 1, 12).bytes;
    ASSERT_GT(bytes.size(), 3 * 16384u);
    test::WriteFile(path, bytes);
    PackageResult<ZipArchive> archive = ZipArchive::OpenFile(path);
    ASSERT_TRUE(archive) << archive.error().detail;
    EXPECT_TRUE(archive.value().Read(1, kLimits));
    test::WriteFile(path, bytes.substr(0, bytes.size() / 3));
    const PackageResult<std::string> read = archive.value().Read(archive.value().EntryCount() - 2, kLimits);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().kind, PackageFaultKind::PackageChanged) << read.error().detail;
}

TEST(ZipArchive, EntriesGiveRawNamesTheFlagSizesAndMethod)
{
    const FormCatalogue catalogue;
    ZipArchive windows = Opened(gen::MakeCp932NamedDownload(catalogue, 1).bytes);
    const ZipEntry folder = windows.Entry(0).value();
    EXPECT_EQ(folder.rawName, test::Utf8ToCp932("公文書(002)/"));
    EXPECT_FALSE(folder.utf8Flag);
    EXPECT_TRUE(folder.isDirectory);

    ZipArchive bulk = Opened(gen::MakeBulkExport(catalogue, 2, 1).bytes);
    const ZipEntry notification = bulk.Entry(3).value();
    EXPECT_TRUE(notification.utf8Flag);
    EXPECT_FALSE(notification.isDirectory);
    EXPECT_TRUE(notification.rawName.ends_with("/7130001.xml"));
    EXPECT_EQ(notification.compressionMethod, 8);
    EXPECT_GT(notification.size, notification.compressedSize);
    EXPECT_EQ(bulk.Read(3, kLimits).value().size(), notification.size);

    ZipArchive notice = Opened(gen::MakeReturnNotice(3).bytes);
    const ZipEntry nested = notice.Entry(1).value();
    EXPECT_EQ(nested.compressionMethod, 0);  // stored
    EXPECT_EQ(nested.size, nested.compressedSize);
    EXPECT_EQ(notice.Entry(2).error().kind, PackageFaultKind::PackageChanged);
}

TEST(ZipArchive, UnsupportedMethodsAreRefusedBeforeReading)
{
    gen::ZipBuilder zip;
    zip.Add("a.xml", std::string(5000, 'a'));
    std::string bytes = zip.Finish();
    gen::SetCompressionMethod(bytes, 0, 12);  // bzip2: not on every system, so on none
    ZipArchive archive = Opened(std::move(bytes));
    EXPECT_EQ(archive.Read(0, kLimits).error().kind, PackageFaultKind::UnsupportedMethod);
}

TEST(ZipArchive, ContentIsGivenOnlyOnceItsCrcIsChecked)
{
    const FormCatalogue catalogue;
    ZipArchive archive = Opened(gen::MakeHostilePackage(catalogue, gen::HostilePackage::CrcMismatch).bytes);
    const PackageResult<std::string> stored = archive.Read(0, kLimits);
    ASSERT_FALSE(stored);
    EXPECT_EQ(stored.error().kind, PackageFaultKind::CrcMismatch) << stored.error().detail;
    EXPECT_TRUE(archive.Read(1, kLimits));
}

TEST(ZipArchive, DataRunningPastItsDeclaredSizeStopsThere)
{
    gen::ZipBuilder zip;
    zip.Add("a.xml", std::string(200000, 'a'));
    std::string bytes = zip.Finish();
    gen::SetDeclaredSize(bytes, 0, 1000);
    ZipArchive archive = Opened(std::move(bytes));
    const PackageResult<std::string> read = archive.Read(0, kLimits);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().kind, PackageFaultKind::CorruptMember) << read.error().detail;
}

TEST(ZipArchive, DataEndingBeforeItsDeclaredSizeIsCorrupt)
{
    gen::ZipBuilder zip;
    zip.Add("a.xml", std::string(1000, 'a'));
    std::string bytes = zip.Finish();
    gen::SetDeclaredSize(bytes, 0, 2000);
    ZipArchive archive = Opened(std::move(bytes));
    const PackageResult<std::string> read = archive.Read(0, kLimits);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().kind, PackageFaultKind::CorruptMember) << read.error().detail;
}

// The entries and the central directory an archive declares at its end, plain or ZIP64, are
// held against the limits before libzip reads the directory; at the limits it opens.
TEST(ZipArchive, AnArchiveOverTheOpeningLimitsIsRefusedFromItsEnd)
{
    for (const std::uint64_t count : {std::uint64_t{10}, std::uint64_t{70'000}}) {
        const std::string bytes = gen::SharedEntryArchive("a.txt", "", count);
        const std::uint64_t directory = (46 + 5) * count;
        EXPECT_EQ(Opened(bytes).EntryCount(), count);
        EXPECT_TRUE(ZipArchive::OpenBytes(bytes, {count, directory}));

        const PackageResult<ZipArchive> entries = ZipArchive::OpenBytes(bytes, {count - 1, directory});
        ASSERT_FALSE(entries);
        EXPECT_EQ(entries.error().kind, PackageFaultKind::TooManyEntries);
        EXPECT_EQ(entries.error().found, count);
        EXPECT_EQ(entries.error().limit, count - 1);

        test::TempDir dir;
        test::WriteFile(dir / "a.zip", bytes);
        const PackageResult<ZipArchive> size = ZipArchive::OpenFile(dir / "a.zip", {count, directory - 1});
        ASSERT_FALSE(size);
        EXPECT_EQ(size.error().kind, PackageFaultKind::DirectoryTooLarge);
        EXPECT_EQ(size.error().found, directory);
    }
}

}  // namespace
}  // namespace tenvor
