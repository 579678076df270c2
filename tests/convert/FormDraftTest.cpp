// Drafting a form from notifications: the kind, the lists, the lengths, the differences from the
// current definition and their order, and the refusals with the reasons conversion gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "NotificationGenerator.h"
#include "convert/FormDifferences.h"
#include "convert/FormDraft.h"
#include "convert/NotificationLoader.h"
#include "forms/FormCatalogue.h"

namespace tenvor {
namespace {

const FormDefinition& Find(const FormCatalogue& forms, const std::string& id)
{
    return *forms.Definition(id);
}

std::vector<std::string> Names(const DataDifList& list)
{
    std::vector<std::string> names;
    for (const StDataDif& definition : list) {
        names.push_back(definition.sNodename);
    }
    return names;
}

std::vector<std::string> Lines(const std::vector<FormDifference>& differences)
{
    std::vector<std::string> lines;
    for (const FormDifference& difference : differences) {
        lines.push_back(DifferenceLine(difference));
    }
    return lines;
}

// Small forms of their own, so that every element and length is in sight.
FormCatalogue SmallForms()
{
    return FormCatalogue(std::vector<FileForm>{
        FileForm{{"N7990010", false, {{"K1", 10}, {"K2", 4}}, {{"A", 5}, {"B", 6}, {"C", 7}}}, "forms/N7990010.tsv"},
        FileForm{{"N7990011", false, {}, {{"A", 5}, {"B", 6}}}, {}},
        FileForm{{"N7990012", true, {}, {{"A", 5}, {"B", 6}}}, {}},
    });
}

// The draft of the XML texts, named a.xml, b.xml, ...
Expected<FormDraft, DraftRefusal> Draft(const FormCatalogue& forms, const std::vector<std::string>& texts,
                                        bool members = false)
{
    FormDraftBuilder builder(forms);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string path = std::string(1, static_cast<char>('a' + i)) + ".xml";
        if (std::optional<DraftRefusal> refusal = builder.AddMemory(path, texts[i], members)) {
            return Unexpected{*refusal};
        }
    }
    return builder.Finish();
}

std::string Refusal(const FormCatalogue& forms, const std::vector<std::string>& texts, bool members = false)
{
    const Expected<FormDraft, DraftRefusal> draft = Draft(forms, texts, members);
    return draft ? std::string("(drafted)") : DescribeDraftRefusal(draft.error());
}

TEST(FormDraft, ARevisedFormGivesItsListsAndTheRenamedAddedRemovedAndMovedElements)
{
    // The issuer moved the first common field to the end, renamed the second insured field,
    // dropped the seventh and added one at the end.
    const FormCatalogue builtIn;
    const FormDefinition& current = Find(builtIn, "N4002002");
    FormDefinition revised = current;
    std::rotate(revised.commonList.begin(), revised.commonList.begin() + 1, revised.commonList.end());
    revised.insuredList[1].sNodename = "氏名";
    revised.insuredList.erase(revised.insuredList.begin() + 6);
    revised.insuredList.push_back({"備考", 40});
    ASSERT_EQ(current.insuredList[6].sNodename, "種別");

    std::vector<std::string> texts;
    for (const gen::FileEncoding encoding : {gen::FileEncoding::Utf8, gen::FileEncoding::ShiftJis}) {
        gen::NotificationSpec wanted;
        wanted.formId = revised.id;
        wanted.persons = 3;
        wanted.encoding = encoding;
        wanted.seed = static_cast<std::uint32_t>(texts.size() + 1);
        texts.push_back(gen::Generate(std::span<const FormDefinition>(&revised, 1), wanted).bytes);
    }
    const Expected<FormDraft, DraftRefusal> draft = Draft(builtIn, texts);
    ASSERT_TRUE(draft) << DescribeDraftRefusal(draft.error());

    EXPECT_FALSE(draft->form.singleRecord);
    EXPECT_EQ(Names(draft->form.commonList), Names(revised.commonList));
    EXPECT_EQ(Names(draft->form.insuredList), Names(revised.insuredList));
    EXPECT_EQ(draft->form.commonList, revised.commonList);  // every common name kept its length
    EXPECT_EQ(draft->notifications, 2);
    ASSERT_TRUE(draft->current);
    EXPECT_EQ(*draft->current, current);

    const int last = static_cast<int>(revised.insuredList.size());
    const std::vector<std::string> lines = Lines(draft->differences);
    ASSERT_EQ(lines.size(), 6U) << ::testing::PrintToString(lines);
    // Removals in the current order, then additions in the draft's order; common before insured.
    EXPECT_EQ(lines[0], "-\tcommon\t1\t船舶所有者整理記号\t3");
    EXPECT_EQ(lines[1], "+\tcommon\t12\t船舶所有者整理記号\t3");
    EXPECT_EQ(lines[2], "-\tinsured\t2\t被保険者氏名\t25");
    EXPECT_EQ(lines[3], "-\tinsured\t7\t種別\t14");
    EXPECT_EQ(lines[4].rfind("+\tinsured\t2\t氏名\t", 0), 0U) << lines[4];
    EXPECT_EQ(lines[5].rfind("+\tinsured\t" + std::to_string(last) + "\t備考\t", 0), 0U) << lines[5];

    // The draft is what the notifications need: they convert with it.
    const FormCatalogue withDraft(std::vector<FileForm>{FileForm{draft->form, {}}});
    const NotificationLoader loader(withDraft);
    for (const std::string& text : texts) {
        EXPECT_TRUE(loader.LoadFromMemory(text));
    }
}

TEST(FormDraft, NewNamesTakeTheLongestValueInCodePage932AndKnownNamesKeepTheirLength)
{
    // K2 and A are known (lengths 4 and 5); the rest is new. 漢字 is 4 bytes, ① 2, an emoji one
    // "?", a&amp;b&amp; four as conversion takes it (a&b&), an empty element at least 1.
    const std::vector<std::string> texts = {
        "<N7990010><K2>123456789</K2><新>ab</新><_被保険者><A>x</A><B2>漢字</B2><空/></_被保険者>"
        "<_被保険者><A>xx</A><B2>①</B2><空></空></_被保険者></N7990010>",
        "<N7990010><K2/><新>a&amp;b&amp;</新><_被保険者><A>xxxxxxxxxx</A><B2>😀😀😀</B2><空/></_被保険者></N7990010>",
    };
    const Expected<FormDraft, DraftRefusal> draft = Draft(SmallForms(), texts);
    ASSERT_TRUE(draft) << DescribeDraftRefusal(draft.error());
    EXPECT_EQ(draft->form.commonList, (DataDifList{{"K2", 4}, {"新", 4}}));
    EXPECT_EQ(draft->form.insuredList, (DataDifList{{"A", 5}, {"B2", 4}, {"空", 1}}));
    EXPECT_EQ(draft->currentFile, "forms/N7990010.tsv");
    EXPECT_EQ(Lines(draft->differences),
              (std::vector<std::string>{"-\tcommon\t1\tK1\t10", "+\tcommon\t2\t新\t4", "-\tinsured\t2\tB\t6",
                                        "-\tinsured\t3\tC\t7", "+\tinsured\t2\tB2\t4", "+\tinsured\t3\t空\t1"}));
}

TEST(FormDraft, AnUnknownIdIsRecordsWithAPersonRecordElseSingleAndEveryLineIsAdded)
{
    const Expected<FormDraft, DraftRefusal> records =
        Draft(SmallForms(), {"<N7990020><事業所>東京</事業所><_被保険者><氏名>山田</氏名></_被保険者></N7990020>"});
    ASSERT_TRUE(records) << DescribeDraftRefusal(records.error());
    EXPECT_TRUE(records->IsNewForm());
    EXPECT_EQ(
        Lines(records->differences),
        (std::vector<std::string>{"+\tform\tN7990020\trecords", "+\tcommon\t1\t事業所\t4", "+\tinsured\t1\t氏名\t4"}));

    const Expected<FormDraft, DraftRefusal> single =
        Draft(SmallForms(), {"<N7990021><名称>通知</名称><番号>12</番号></N7990021>"});
    ASSERT_TRUE(single) << DescribeDraftRefusal(single.error());
    EXPECT_TRUE(single->form.singleRecord);
    EXPECT_EQ(
        Lines(single->differences),
        (std::vector<std::string>{"+\tform\tN7990021\tsingle", "+\tinsured\t1\t名称\t4", "+\tinsured\t2\t番号\t2"}));

    // A known single-record form stays one, whatever its elements are called.
    const Expected<FormDraft, DraftRefusal> known = Draft(SmallForms(), {"<N7990012><A>1</A><B>2</B></N7990012>"});
    ASSERT_TRUE(known) << DescribeDraftRefusal(known.error());
    EXPECT_TRUE(known->form.singleRecord);
    EXPECT_TRUE(known->differences.empty());
}

TEST(FormDraft, AFormWithoutCommonFieldsIgnoresWhatIsBesideThePersonRecordsAsConversionDoes)
{
    // The generator's extra element beside the records holds an element of its own.
    const FormCatalogue builtIn;
    gen::NotificationSpec wanted;
    wanted.formId = "N7130001";
    wanted.persons = 2;
    wanted.extraRootElements = true;
    const std::string text = gen::Generate(FormCatalogue(), wanted).bytes;
    ASSERT_NE(text.find("<通知書情報>"), std::string::npos);

    const Expected<FormDraft, DraftRefusal> draft = Draft(builtIn, {text});
    ASSERT_TRUE(draft) << DescribeDraftRefusal(draft.error());
    EXPECT_TRUE(draft->form.commonList.empty());
    EXPECT_EQ(draft->form, Find(builtIn, "N7130001"));
    EXPECT_TRUE(draft->differences.empty());

    // A comment there is passed over too; the records are still checked.
    EXPECT_EQ(Refusal(SmallForms(), {"<N7990011><!-- x --><外><内/></外><_被保険者><A/><B/></_被保険者></N7990011>"}),
              "(drafted)");
}

TEST(FormDraft, WhatNoFormFileCanDescribeIsRefusedWithConversionsReason)
{
    const FormCatalogue forms = SmallForms();
    EXPECT_EQ(Refusal(forms, {"<N7990011><_被保険者><A><x/></A><B/></_被保険者></N7990011>"}),
              "a.xml: 要素「A」の中に要素があります（1件目の_被保険者）");
    EXPECT_EQ(Refusal(forms, {"<N7990010><K1/><!-- c --><K2/><_被保険者><A/></_被保険者></N7990010>"}),
              "a.xml: 項目の間にコメントがあります（共通部分）");
    EXPECT_EQ(Refusal(forms, {"<N7990012><A/><?pi x?><B/></N7990012>"}),
              "a.xml: 項目の間に処理命令があります（文書要素の直下）");
    EXPECT_EQ(Refusal(forms, {"<N7990011><_被保険者><A/></_被保険者><_被保険者>t<A/></_被保険者></N7990011>"}),
              "a.xml: 項目の間に文字があります（2件目の_被保険者）");
    EXPECT_EQ(Refusal(forms, {"<N7990011><_被保険者><A/><B/><A/></_被保険者></N7990011>"}),
              "a.xml: 要素「A」が2回以上あります（1件目の_被保険者）");
    EXPECT_EQ(Refusal(forms, {"<N7990011><_被保険者/></N7990011>"}), "a.xml: 項目がありません（1件目の_被保険者）");
    EXPECT_EQ(Refusal(forms, {"<N7990010><K1/></N7990010>"}), "a.xml: 様式N7990010の_被保険者がありません");
    EXPECT_EQ(Refusal(forms, {"<DOC><A/></DOC>"}), "a.xml: 対応していない様式です: 文書要素「DOC」");
    EXPECT_EQ(Refusal(forms, {"<N7990011><_被保険者><A/>"}).rfind("a.xml: XMLとして正しくありません（", 0), 0U);
}

TEST(FormDraft, EveryRecordAndEveryNotificationMustHaveTheFirstOnesElementsInOrder)
{
    const FormCatalogue forms = SmallForms();
    const std::string first = "<_被保険者><A/><B/><C/></_被保険者>";
    EXPECT_EQ(Refusal(forms, {"<N7990011>" + first + first + "<_被保険者><A/><C/><B/></_被保険者></N7990011>"}),
              "a.xml: 2番目の要素「C」が1件目の_被保険者では「B」です（3件目の_被保険者）");
    EXPECT_EQ(Refusal(forms, {"<N7990011>" + first + "<_被保険者><A/><B/></_被保険者></N7990011>"}),
              "a.xml: 1件目の_被保険者の3番目の要素「C」がありません（2件目の_被保険者）");
    EXPECT_EQ(Refusal(forms, {"<N7990011>" + first + "</N7990011>",
                              "<N7990011><_被保険者><A/><B/><C/><D/></_被保険者></N7990011>"}),
              "b.xml: 4番目の要素「D」がa.xmlの1件目の_被保険者にはありません（1件目の_被保険者）");
    EXPECT_EQ(Refusal(forms, {"<N7990010><K1/><_被保険者><A/></_被保険者></N7990010>",
                              "<N7990010><K2/><_被保険者><A/></_被保険者></N7990010>"}),
              "b.xml: 1番目の要素「K2」がa.xmlの共通部分では「K1」です（共通部分）");
    EXPECT_EQ(Refusal(forms, {"<N7990011>" + first + "</N7990011>", "<N7990012><A/></N7990012>"}),
              "b.xml: 文書要素「N7990012」がa.xmlの「N7990011」と異なります");
}

TEST(FormDraft, MembersThatAreNoNotificationsArePassedOverAndNoneAtAllIsRefused)
{
    const FormCatalogue forms = SmallForms();
    const std::string cover = "<DOC><件名>送付書</件名></DOC>";
    const Expected<FormDraft, DraftRefusal> draft = Draft(forms, {cover, "<N7990012><A/><B/></N7990012>", cover}, true);
    ASSERT_TRUE(draft) << DescribeDraftRefusal(draft.error());
    EXPECT_EQ(draft->notifications, 1);
    EXPECT_EQ(draft->otherDocuments, 2);
    EXPECT_EQ(Refusal(forms, {cover}, true),
              "通知書がありません（文書要素が「N」と7桁の数字のXMLファイルがありません）");
}

TEST(FormDifferences, AnUnchangedListIsNoDifferenceAndAMoveIsARemovalAndAnAddition)
{
    const FormDefinition current{"N7990010", false, {{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}}, {{"X", 5}}};
    EXPECT_TRUE(CompareForms(&current, current).empty());

    FormDefinition moved = current;
    moved.commonList = {{"A", 1}, {"C", 3}, {"D", 4}, {"B", 2}};
    EXPECT_EQ(Lines(CompareForms(&current, moved)),
              (std::vector<std::string>{"-\tcommon\t2\tB\t2", "+\tcommon\t4\tB\t2"}));

    // An insertion shifts the elements after it without making them differences.
    FormDefinition inserted = current;
    inserted.commonList.insert(inserted.commonList.begin() + 1, {"N", 9});
    inserted.insuredList = {{"Y", 6}};
    EXPECT_EQ(Lines(CompareForms(&current, inserted)),
              (std::vector<std::string>{"+\tcommon\t2\tN\t9", "-\tinsured\t1\tX\t5", "+\tinsured\t1\tY\t6"}));

    // Swapped neighbours: one of them stays.
    FormDefinition swapped = current;
    std::swap(swapped.commonList[0], swapped.commonList[1]);
    EXPECT_EQ(CompareForms(&current, swapped).size(), 2U);
}

}  // namespace
}  // namespace tenvor
