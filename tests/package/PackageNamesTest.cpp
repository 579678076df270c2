// Member names: decoding from the stored bytes, and making a path safe below an output folder.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "package/MemberName.h"
#include "package/MemberPath.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using namespace std::string_literals;

std::string Decoded(std::string_view raw, bool flagged, NameEncoding unflagged = NameEncoding::Utf8)
{
    return DisplayText(DecodeMemberName(raw, flagged, unflagged));
}

MemberPath Safe(std::string_view utf8)
{
    auto split = SplitMemberPath(DecodeMemberName(utf8, true, NameEncoding::Utf8));
    EXPECT_TRUE(std::holds_alternative<MemberPath>(split)) << utf8;
    return std::holds_alternative<MemberPath>(split) ? std::get<MemberPath>(split) : MemberPath{};
}

std::string UnsafePart(std::string_view utf8)
{
    auto split = SplitMemberPath(DecodeMemberName(utf8, true, NameEncoding::Utf8));
    return std::holds_alternative<UnsafeMemberPath>(split) ? std::get<UnsafeMemberPath>(split).part : "(safe)";
}

TEST(MemberNameDecoding, FlaggedNamesAreUtf8)
{
    EXPECT_EQ(Decoded("返戻のお知らせ/henrei.xml", true), "返戻のお知らせ/henrei.xml");
}

TEST(MemberNameDecoding, UnflaggedCp932NamesDecodeBeforeTheyAreSplit)
{
    // 表 is 0x95 0x5C in code page 932: its second byte is '\' and must not split the name.
    const std::string raw = test::Utf8ToCp932("公文書(002)/添付書類_表/7200001.xml");
    EXPECT_EQ(Decoded(raw, false), "公文書(002)/添付書類_表/7200001.xml");
    const MemberPath path = std::get<MemberPath>(SplitMemberPath(DecodeMemberName(raw, false, NameEncoding::Utf8)));
    EXPECT_EQ(path.output, (std::vector<std::string>{"公文書(002)", "添付書類_表", "7200001.xml"}));
}

TEST(MemberNameDecoding, NamesValidInBothEncodingsFollowTheArchivesOtherNames)
{
    // "返戻のお知らせ" in UTF-8 is also valid code page 932 (as 霑疲綾縺ｮ…): alone it is read as
    // UTF-8; beside names only code page 932 can read, as code page 932.
    const std::string utf8 = "返戻のお知らせ.xml";
    const std::string cp932Only = test::Utf8ToCp932("公文書.xml");
    ASSERT_TRUE(Cp932ToUtf8Strict(utf8).has_value());
    UnflaggedNameVote utf8Archive;
    utf8Archive.Count(utf8);
    EXPECT_EQ(Decoded(utf8, false, utf8Archive.Result()), utf8);

    UnflaggedNameVote windowsArchive;
    windowsArchive.Count(utf8);
    windowsArchive.Count(cp932Only);
    windowsArchive.Count(test::Utf8ToCp932("通知書.xml"));
    EXPECT_EQ(windowsArchive.Result(), NameEncoding::Cp932);
    EXPECT_EQ(Decoded(utf8, false, windowsArchive.Result()), *Cp932ToUtf8Strict(utf8));
    EXPECT_EQ(Decoded(cp932Only, false, windowsArchive.Result()), "公文書.xml");
}

TEST(MemberNameDecoding, UndecodableBytesStayForTheDisplayAndBecomeUnderscoresInOutputPaths)
{
    // Neither UTF-8 nor code page 932: 0xFF and 0xFD stand for nothing in either.
    const std::string raw = "a\xFF" + test::Utf8ToCp932("表") + "\xFD.xml";
    const DecodedName name = DecodeMemberName(raw, false, NameEncoding::Utf8);
    EXPECT_EQ(DisplayText(name), "a\xFF表\xFD.xml");  // the display escapes what is no UTF-8
    EXPECT_EQ(std::get<MemberPath>(SplitMemberPath(name)).output, std::vector<std::string>{"a_表_.xml"});
}

TEST(MemberPathSafety, NamesThatLeaveTheFolderAreUnsafe)
{
    EXPECT_EQ(UnsafePart("../../evil.xml"), "..");
    EXPECT_EQ(UnsafePart("a/../../evil.xml"), "..");
    EXPECT_EQ(UnsafePart("a\\..\\evil.xml"), "..");
    EXPECT_EQ(UnsafePart("a/b/.."), "..");
    EXPECT_EQ(UnsafePart("/tmp/evil.xml"), "/");
    EXPECT_EQ(UnsafePart("\\evil.xml"), "\\");
    EXPECT_EQ(UnsafePart("//server/share/evil.xml"), "//");
    EXPECT_EQ(UnsafePart("\\\\server\\share\\evil.xml"), "\\\\");
    EXPECT_EQ(UnsafePart("C:\\evil.xml"), "C:");
    EXPECT_EQ(UnsafePart("z:evil.xml"), "z:");
    // What merely looks like it stays inside.
    EXPECT_EQ(UnsafePart("..a/b../...xml"), "(safe)");
    EXPECT_EQ(UnsafePart("a/C:/x.xml"), "(safe)");
}

TEST(MemberPathSafety, DotAndEmptyComponentsAreDropped)
{
    EXPECT_EQ(Safe("./a//b/./c.xml").output, (std::vector<std::string>{"a", "b", "c.xml"}));
    EXPECT_EQ(Safe("a\\b/c.xml").display, (std::vector<std::string>{"a", "b", "c.xml"}));
}

TEST(MemberPathSafety, ComponentsBecomeValidWindowsNames)
{
    const std::vector<std::pair<std::string, std::string>> table = {
        {"plain.xml", "plain.xml"},
        {"a:b*c?d\"e<f>g|h.xml", "a_b_c_d_e_f_g_h.xml"},
        {"tab\there\x01\x1F.xml", "tab_here__.xml"},
        {"del\x7F.xml", "del\x7F.xml"},  // Windows allows U+007F
        {"trailing.", "trailing_"},
        {"trailing . .", "trailing____"},
        {"...", "___"},
        {"CON.xml", "_.xml"},
        {"con", "_"},
        {"Aux.tar.gz", "_.tar.gz"},
        {"nul .xml", "_.xml"},
        {"COM1.xml", "_.xml"},
        {"lpt9", "_"},
        {"COM\u00B9.xml", "_.xml"},
        {"CONOUT$.xml", "_.xml"},
        {"COM10.xml", "COM10.xml"},
        {"CONSOLE.xml", "CONSOLE.xml"},
        {"xCON.xml", "xCON.xml"},
        {"CON.", "CON_"},  // the trailing dot goes first; "CON_" is no device
        {"公文書(002)", "公文書(002)"},
        {"0001_株式会社テスト_[社保]算定基礎", "0001_株式会社テスト_[社保]算定基礎"},
    };
    for (const auto& [name, sanitised] : table) {
        EXPECT_EQ(SanitiseFileName(name), sanitised) << name;
    }
    EXPECT_EQ(SanitiseFileName(""), "_");
    EXPECT_EQ(SanitiseFileName(".."), "__");
    EXPECT_EQ(SanitiseFileName("bad\xC3(.xml"), "bad_(.xml");
}

TEST(MemberPathSafety, PackageFolderNameDropsTheExtensionInAnyCase)
{
    EXPECT_EQ(PackageFolderName(std::string_view("公文書(002).zip")), "公文書(002)");
    EXPECT_EQ(PackageFolderName(std::string_view("Q.ZIP")), "Q");
    EXPECT_EQ(PackageFolderName(std::string_view("CON.zip")), "_");
    EXPECT_EQ(PackageFolderName(std::string_view(".zip")), "_");
    EXPECT_EQ(PackageFolderName(std::string_view("a..zip")), "a_");
}

}  // namespace
}  // namespace tenvor
