// The read-ahead of a run: results come out in list order, each exactly what reading that input
// alone gives, whatever order the workers finish in, failures and package members included; and
// it can be dropped half-way without hanging.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "PackageGenerator.h"
#include "convert/NotificationLoader.h"
#include "forms/FormCatalogue.h"
#include "run/InputList.h"
#include "run/InputReader.h"
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
            test::WriteFile(path, gen::Generate(forms, wanted).bytes);
        }
        // A bulk export in the middle of the files: its members are claimed in stored order and
        // inflated by whichever thread parses them (it has enough items for that).
        const gen::GeneratedPackage bulk = gen::MakeBulkExport(forms, 5, 6);
        const std::string zip = dir / bulk.fileName;
        test::WriteFile(zip, bulk.bytes);
        RunRequest request;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            request.inputs.push_back({InputMode::File, paths[i]});
            if (i == 20) {
                request.inputs.push_back({InputMode::File, zip});
            }
        }
        list = ListInputs(request).value();
        for (std::size_t i = 0; i < list.inputs.size(); ++i) {
            if (list.inputs[i].package == kNotInPackage) {
                alone.push_back(loader.Load(list.inputs[i].path, nullptr));
            } else {
                alone.push_back(loader.LoadFromMemory(bulk.xml.at(packaged++).bytes));
            }
        }
    }

    static void ExpectSame(const LoadResult& got, const LoadResult& wanted, std::size_t index)
    {
        ASSERT_EQ(got.has_value(), wanted.has_value()) << "file " << index;
        if (!got) {
            EXPECT_EQ(got.error(), wanted.error()) << "file " << index;
            return;
        }
        EXPECT_EQ(got->styleNum, wanted->styleNum) << "file " << index;
        EXPECT_EQ(got->commonData, wanted->commonData) << "file " << index;
        EXPECT_EQ(got->insuredData.All(), wanted->insuredData.All()) << "file " << index;
        EXPECT_EQ(got->errorFlag, wanted->errorFlag) << "file " << index;
    }

    test::TempDir dir;
    FormCatalogue forms;
    NotificationLoader loader{forms};
    std::vector<std::string> paths;
    InputList list;                 // the files, with the package's members after the 21st
    std::size_t packaged = 0;       // members of the package in the list
    std::vector<LoadResult> alone;  // what reading each input alone gives
};

TEST_F(ReadAheadTest, ResultsComeInListOrderEachAsReadAloneFailuresIncluded)
{
    for (const unsigned workers : {1u, 3u, 8u}) {
        for (const std::size_t window : {std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
            InputReader reader(loader, list);
            ReadAhead readAhead(reader, workers, window);
            int failures = 0;
            for (std::size_t i = 0; i < list.inputs.size(); ++i) {
                const LoadResult got = readAhead.Take(i);
                ExpectSame(got, alone[i], i);
                failures += got ? 0 : 1;
            }
            // Missing files fail with kind 2, broken ones with kind 1, each cover letter as
            // another document: all reach the caller.
            EXPECT_EQ(failures, 9 + 12 - 2 + 6) << workers << " workers, window " << window;
        }
    }
    ASSERT_EQ(packaged, 18u);
    ASSERT_FALSE(alone[3].has_value());
    EXPECT_EQ(alone[3].error().kind, ErrorKind::FileMissing);
    ASSERT_FALSE(alone[4].has_value());
    EXPECT_EQ(alone[4].error().kind, ErrorKind::FormatNotSupported);
    EXPECT_FALSE(alone[4].error().otherDocument);
    ASSERT_FALSE(alone[21].has_value());
    EXPECT_TRUE(alone[21].error().otherDocument);  // the first folder's cover letter
}

// Bounded by bytes, the read-ahead still reads everything in order: with no room at all it reads
// only the input to be taken next, however many workers wait.
TEST_F(ReadAheadTest, ABoundOnTheBytesHeldAheadKeepsTheResults)
{
    for (const std::size_t heldBytes : {std::size_t{0}, std::size_t{20000}}) {
        InputReader reader(loader, list);
        ReadAhead readAhead(reader, 8, 64, heldBytes);
        for (std::size_t i = 0; i < list.inputs.size(); ++i) {
            ExpectSame(readAhead.Take(i), alone[i], i);
        }
    }
    EXPECT_LE(ReadAhead::DefaultWorkers(), ReadAhead::kMostWorkers);
    ASSERT_TRUE(alone[0].has_value());
    EXPECT_GT(ReadAhead::HeldBytes(alone[0]), alone[0]->insuredData.MemoryBytes());
}

TEST_F(ReadAheadTest, StopsCleanlyWhenTheRunStopsHalfWay)
{
    for (const std::size_t taken : {std::size_t{0}, std::size_t{1}, std::size_t{30}}) {
        InputReader reader(loader, list);
        ReadAhead readAhead(reader, 4, 8);
        for (std::size_t i = 0; i < taken; ++i) {
            ExpectSame(readAhead.Take(i), alone[i], i);
        }
        // Leaving the scope stops the workers: files being read are finished, none is started.
    }
}

}  // namespace
}  // namespace tenvor
