// The archive itself: what a path that holds no archive gives, what an entry says about itself,
// and what reading an entry gives back when its data is not what it claims.
#include <gtest/gtest.h>

#include <string>

#include "PackageGenerator.h"
#include "ZipBuilder.h"
#include "forms/FormCatalogue.h"
#include "platform/ZipArchive.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

constexpr ZipReadLimits kLimits{std::uint64_t{256} << 20, 1000, std::uint64_t{1} << 20};

ZipArchive Opened(std::string bytes)
{
    ZipResult<ZipArchive> archive = ZipArchive::OpenBytes(std::move(bytes));
    if (!archive.ok()) {
        ADD_FAILURE() << archive.error().message;
        throw std::runtime_error("archive did not open");
    }
    return std::move(archive.value());
}

TEST(ZipArchive, APathWithoutAnArchiveSaysWhatIsThere)
{
    test::TempDir dir;
    EXPECT_EQ(ZipArchive::OpenFile(dir / "missing.zip").error().fault, ZipFault::FileMissing);
    EXPECT_EQ(ZipArchive::OpenFile(dir / "missing/inner.zip").error().fault, ZipFault::FileMissing);
    test::MakeDir(dir / "folder.zip");
    EXPECT_EQ(ZipArchive::OpenFile(dir / "folder.zip").error().fault, ZipFault::FileUnreadable);
    test::WriteFile(dir / "text.zip", "PK\x03\x04 and nothing after it");
    const ZipResult<ZipArchive> text = ZipArchive::OpenFile(dir / "text.zip");
    EXPECT_EQ(text.error().fault, ZipFault::NotAZip) << text.error().message;
    EXPECT_FALSE(text.error().message.empty());
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
    ZipResult<ZipArchive> archive = ZipArchive::OpenFile(path);
    ASSERT_TRUE(archive.ok()) << archive.error().message;
    EXPECT_TRUE(archive.value().Read(1, kLimits).ok());
    test::WriteFile(path, bytes.substr(0, bytes.size() / 3));
    const ZipResult<std::string> read = archive.value().Read(archive.value().EntryCount() - 2, kLimits);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().fault, ZipFault::FileChanged) << read.error().message;
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
    EXPECT_EQ(notice.Entry(2).error().fault, ZipFault::NoSuchEntry);
}

TEST(ZipArchive, UnsupportedMethodsAreRefusedBeforeReading)
{
    gen::ZipBuilder zip;
    zip.Add("a.xml", std::string(5000, 'a'));
    std::string bytes = zip.Finish();
    gen::SetCompressionMethod(bytes, 0, 12);  // bzip2: not on every system, so on none
    ZipArchive archive = Opened(std::move(bytes));
    EXPECT_EQ(archive.Read(0, kLimits).error().fault, ZipFault::UnsupportedMethod);
}

TEST(ZipArchive, ContentIsGivenOnlyOnceItsCrcIsChecked)
{
    const FormCatalogue catalogue;
    ZipArchive archive = Opened(gen::MakeHostilePackage(catalogue, gen::HostilePackage::CrcMismatch).bytes);
    const ZipResult<std::string> stored = archive.Read(0, kLimits);
    ASSERT_FALSE(stored.ok());
    EXPECT_EQ(stored.error().fault, ZipFault::CrcMismatch) << stored.error().message;
    EXPECT_TRUE(archive.Read(1, kLimits).ok());
}

TEST(ZipArchive, DataRunningPastItsDeclaredSizeStopsThere)
{
    gen::ZipBuilder zip;
    zip.Add("a.xml", std::string(200000, 'a'));
    std::string bytes = zip.Finish();
    gen::SetDeclaredSize(bytes, 0, 1000);
    ZipArchive archive = Opened(std::move(bytes));
    const ZipResult<std::string> read = archive.Read(0, kLimits);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().fault, ZipFault::CorruptData) << read.error().message;
}

TEST(ZipArchive, DataEndingBeforeItsDeclaredSizeIsCorrupt)
{
    gen::ZipBuilder zip;
    zip.Add("a.xml", std::string(1000, 'a'));
    std::string bytes = zip.Finish();
    gen::SetDeclaredSize(bytes, 0, 2000);
    ZipArchive archive = Opened(std::move(bytes));
    const ZipResult<std::string> read = archive.Read(0, kLimits);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().fault, ZipFault::CorruptData) << read.error().message;
}

}  // namespace
}  // namespace tenvor
