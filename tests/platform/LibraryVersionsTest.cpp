#include <gtest/gtest.h>
#include <libxml/xmlversion.h>
#include <zipconf.h>

#include <string>
#include <vector>

#include "platform/LibraryVersions.h"

namespace tenvor {
namespace {

// The libraries report themselves at run time; the programs are built against the headers of
// the very libraries they run with here, so both must name the same versions.
TEST(LibraryVersions, TheRunningLibrariesAsTheirHeadersNameThem)
{
    const std::vector<LibraryVersion> libraries = LibraryVersions();
    ASSERT_EQ(libraries.size(), 2u);
    EXPECT_EQ(libraries[0].name, "libxml2");
    EXPECT_EQ(libraries[0].version, LIBXML_DOTTED_VERSION);
    EXPECT_EQ(libraries[1].name, "libzip");
    EXPECT_EQ(libraries[1].version, LIBZIP_VERSION);
}

TEST(LibraryVersions, OneLinePerLibraryBelowTheFirst)
{
    EXPECT_EQ(VersionText("tenvor-cli 1.20", {{"libxml2", "2.9.14"}, {"Qt", "6.4.2"}}),
              "tenvor-cli 1.20\nlibxml2 2.9.14\nQt 6.4.2");
    EXPECT_EQ(VersionText("tenvor 1.20", {}), "tenvor 1.20");
}

}  // namespace
}  // namespace tenvor
