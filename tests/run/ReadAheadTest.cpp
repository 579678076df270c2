// The read-ahead of a folder run: results come out in list order, each exactly what reading that
// file alone gives, whatever order the workers finish in, failures included; and it can be
// dropped half-way without hanging.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "convert/NotificationLoader.h"
#include "forms/DataTbl.h"
#include "forms/FormLookup.h"
#include "run/ReadAhead.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

class ReadAheadTest : public ::testing::Test {
protected:
    // Large and small notifications alternate, so that later files are often read before
    // earlier ones; every fifth file is broken, every seventh missing.
    ReadAheadTest()
    {
        for (int i = 0; i < 60; ++i) {
            const std::string path = dir / ("n" + std::to_string(i) + ".xml");
            paths.push_back(path);
            if (i % 7 == 3) {
                continue;  // listed, but not there
            }
            gen::NotificationSpec wanted;
            wanted.formId = i % 2 == 0 ? "N2018003" : "N7110002";
            wanted.persons = i % 3 == 0 ? 150 : 1;
            wanted.seed = static_cast<std::uint32_t>(i + 1);
            wanted.fault = i % 5 == 4 ? gen::Fault::MissingField : gen::Fault::None;
            test::WriteFile(path, gen::Generate(dataTbl, wanted).bytes);
        }
        for (const std::string& path : paths) {
            alone.push_back(ReadAlone(path));
        }
    }

    // What reading one file alone gives.
    LoadResult ReadAlone(const std::string& path) const { return loader.Load(path, nullptr); }

    static void ExpectSame(const LoadResult& got, const LoadResult& wanted, std::size_t index)
    {
        ASSERT_EQ(got.has_value(), wanted.has_value()) << "file " << index;
        if (!got) {
            EXPECT_EQ(got.error(), wanted.error()) << "file " << index;
            return;
        }
        EXPECT_EQ(got->styleNum, wanted->styleNum) << "file " << index;
        EXPECT_EQ(got->commonData, wanted->commonData) << "file " << index;
        EXPECT_EQ(got->insuredData, wanted->insuredData) << "file " << index;
        EXPECT_EQ(got->errorFlag, wanted->errorFlag) << "file " << index;
    }

    test::TempDir dir;
    DataTbl dataTbl;
    FormLookup forms{dataTbl};
    NotificationLoader loader{forms};
    std::vector<std::string> paths;
    std::vector<LoadResult> alone;  // what reading each file alone gives
};

TEST_F(ReadAheadTest, ResultsComeInListOrderEachAsReadAloneFailuresIncluded)
{
    for (const unsigned workers : {1u, 3u, 8u}) {
        for (const std::size_t window : {std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
            ReadAhead readAhead(loader, paths, workers, window);
            int failures = 0;
            for (std::size_t i = 0; i < paths.size(); ++i) {
                const LoadResult got = readAhead.Take(i);
                ExpectSame(got, alone[i], i);
                failures += got ? 0 : 1;
            }
            // Missing files fail with kind 2, broken ones with kind 1: both reach the caller.
            EXPECT_EQ(failures, 9 + 12 - 2) << workers << " workers, window " << window;
        }
    }
    ASSERT_FALSE(alone[3].has_value());
    EXPECT_EQ(alone[3].error(), ErrorKind::FileMissing);
    ASSERT_FALSE(alone[4].has_value());
    EXPECT_EQ(alone[4].error(), ErrorKind::FormatNotSupported);
}

TEST_F(ReadAheadTest, StopsCleanlyWhenTheRunStopsHalfWay)
{
    for (const std::size_t taken : {std::size_t{0}, std::size_t{1}, std::size_t{30}}) {
        ReadAhead readAhead(loader, paths, 4, 8);
        for (std::size_t i = 0; i < taken; ++i) {
            ExpectSame(readAhead.Take(i), alone[i], i);
        }
        // Leaving the scope stops the workers: files being read are finished, none is started.
    }
}

}  // namespace
}  // namespace tenvor
