// Drafting a form file from a failed row of the window's error list: the row's context menu (right
// click and the menu key) offers it for the field check and an unknown form id only, the guidance
// box says so for the field check, the confirmation lists the differences and the files, OK saves
// and the next run converts with the new form, キャンセル writes nothing.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>
#include <span>
#include <string>

#include "NotificationGenerator.h"
#include "diag/MessageCatalog.h"
#include "forms/FormCatalogue.h"
#include "forms/FormFile.h"
#include "platform/FileSystem.h"
#include "ui/ErrorListView.h"
#include "ui/FormDraftDialog.h"
#include "ui/UiTestSupport.h"

using namespace tenvor;
using namespace tenvor::test;

namespace {

const QString kDraftEntry = QStringLiteral("この通知書から様式定義を作成...");

// N7130001 as an issuer revised it: its third field renamed.
FormDefinition Revised()
{
    FormDefinition form = *FormCatalogue().Definition("N7130001");
    form.insuredList[2].sNodename = "通知日";
    return form;
}

std::string NotificationOf(const FormDefinition& form)
{
    gen::NotificationSpec wanted;
    wanted.formId = form.id;
    wanted.persons = 2;
    return gen::Generate(std::span<const FormDefinition>(&form, 1), wanted).bytes;
}

// A folder run of the window over w.in into w.out.
void RunFolder(WindowFixture& w)
{
    QTest::mouseClick(w.Find<QRadioButton>("IDC_RAD_SELECT_FOLDER"), Qt::LeftButton);
    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setText(Q(w.in));
    w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->setText(Q(w.out));
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_OUTPUT"), Qt::LeftButton);
}

// The row of the list whose path ends with name, -1 when none.
int RowOf(ErrorListView* list, const QString& name)
{
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        if (list->model()->index(row, 2).data().toString().endsWith(name)) {
            return row;
        }
    }
    return -1;
}

QPoint RowCenter(ErrorListView* list, int row)
{
    return list->visualRect(list->model()->index(row, 1)).center();
}

// Runs soon, in whatever event loop is running then (a menu's or a dialog's own): waits, a zero
// timer at a time, until the widget that find gives is there, then hands it to act.
void WhenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act, int triesLeft = 2000)
{
    QTimer::singleShot(0, [find, act, triesLeft] {
        if (QWidget* widget = find()) {
            act(widget);
        } else if (triesLeft > 0) {
            WhenShown(find, act, triesLeft - 1);
        }
    });
}

QMenu* OpenMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

FormDraftDialog* OpenDraftDialog()
{
    return qobject_cast<FormDraftDialog*>(QApplication::activeModalWidget());
}

// What a row's context menu offers when asked for by open; chosen, when not empty, is then
// chosen in it, else the menu is closed. Empty when no menu opened.
QStringList MenuEntries(const std::function<void()>& open, const QString& chosen = {})
{
    QStringList entries;
    bool shown = false;
    WhenShown(
        OpenMenu,
        [&](QWidget* widget) {
            auto* menu = static_cast<QMenu*>(widget);
            shown = true;
            for (QAction* action : menu->actions()) {
                entries << action->text();
                if (action->text() == chosen) {
                    menu->setActiveAction(action);
                }
            }
            QTest::keyClick(menu, chosen.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
        },
        20);
    open();
    // A menu that was never asked for leaves the waiting timer to run out.
    for (int i = 0; i < 40 && !shown; ++i) {
        QCoreApplication::processEvents();
    }
    return entries;
}

void RightClick(ErrorListView* list, int row)
{
    const QPoint at = RowCenter(list, row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);  // the row selected first
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
}

struct DialogSeen {
    bool shown = false;
    QString text;
    QStringList buttons;
};

// Chooses the draft entry on a row and answers its confirmation with button (OK or キャンセル).
DialogSeen DraftFromRow(ErrorListView* list, int row, QDialogButtonBox::StandardButton button)
{
    DialogSeen seen;
    WhenShown(OpenDraftDialog, [&seen, button](QWidget* widget) {
        auto* dialog = static_cast<FormDraftDialog*>(widget);
        seen.shown = true;
        seen.text = dialog->Text();
        auto* box = dialog->findChild<QDialogButtonBox*>();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
        }
        box->button(button)->click();
    });
    const QStringList entries = MenuEntries([&] { RightClick(list, row); }, kDraftEntry);
    if (entries != QStringList{kDraftEntry}) {
        qWarning("menu: %s", qPrintable(entries.join(QLatin1Char('|'))));
    }
    return seen;
}

}  // namespace

class WindowFormDraftTest : public QObject {
    Q_OBJECT

public:
    static void initMain() { tenvor::test::PrepareWindowTestProcess(); }

private slots:
    void menuOffersTheDraftForTheFieldCheckAndUnknownFormIdsOnly();
    void confirmationSavesOnOkOnlyAndTheNextRunConverts();
};

void WindowFormDraftTest::menuOffersTheDraftForTheFieldCheckAndUnknownFormIdsOnly()
{
    WindowFixture w;
    WriteFile(w.in + "/revised.xml", NotificationOf(Revised()));
    WriteFile(w.in + "/unknown.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<N9999999><項目>1</項目></N9999999>");
    WriteFile(w.in + "/same.xml", ValidNotification());
    WriteFile(w.out + "/same.csv", "kept");
    WriteFile(w.in + "/broken.xml", BrokenNotification());
    RunFolder(w);
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QCOMPARE(list->model()->rowCount(), 4);
    const int revised = RowOf(list, QStringLiteral("revised.xml"));
    const int unknown = RowOf(list, QStringLiteral("unknown.xml"));
    const int same = RowOf(list, QStringLiteral("same.xml"));
    const int broken = RowOf(list, QStringLiteral("broken.xml"));

    QCOMPARE(MenuEntries([&] { RightClick(list, revised); }), QStringList{kDraftEntry});
    QCOMPARE(MenuEntries([&] { RightClick(list, unknown); }), QStringList{kDraftEntry});
    QCOMPARE(MenuEntries([&] { RightClick(list, same); }), QStringList{});
    QCOMPARE(MenuEntries([&] { RightClick(list, broken); }), QStringList{});
    // The menu key on the selected row, as the right click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, revised));
    QCOMPARE(MenuEntries([&] { QTest::keyClick(list, Qt::Key_Menu); }), QStringList{kDraftEntry});
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, same));
    QCOMPARE(MenuEntries([&] { QTest::keyClick(list, Qt::Key_Menu); }), QStringList{});

    // The guidance box: the further line for the field check only, after the kind's guidance.
    auto* guidance = w.Find<QPlainTextEdit>("IDC_EDT_GUIDANCE");
    const QString hint = Q(std::string(kGuidanceFormDraft));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, revised));
    QVERIFY2(guidance->toPlainText().startsWith(Q(std::string(guidanceList[1])) + QLatin1Char('\n') + hint +
                                                QStringLiteral("\n\n詳細: ")),
             qPrintable(guidance->toPlainText()));
    for (const int other : {unknown, same, broken}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, other));
        QVERIFY(!guidance->toPlainText().isEmpty());
        QVERIFY(!guidance->toPlainText().contains(hint));
    }
    QVERIFY(w.boxes.seen.size() == 1);  // the completion message only
}

void WindowFormDraftTest::confirmationSavesOnOkOnlyAndTheNextRunConverts()
{
    WindowFixture w;
    // A form file of N7130001 already there: the runs read with it, the draft replaces it.
    const FormDefinition original = *FormCatalogue().Definition("N7130001");
    const std::string forms = w.home + "/forms";
    MakeDir(forms);
    const std::string existing = FormFileText(original);
    WriteFile(forms + "/N7130001.tsv", existing);
    WriteFile(w.in + "/revised.xml", NotificationOf(Revised()));
    RunFolder(w);
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QCOMPARE(list->model()->rowCount(), 1);
    QVERIFY(!Exists(w.out + "/revised.csv"));

    // キャンセル: nothing written, nothing moved.
    const DialogSeen cancelled = DraftFromRow(list, 0, QDialogButtonBox::Cancel);
    QVERIFY(cancelled.shown);
    QCOMPARE(cancelled.buttons.size(), 2);
    QVERIFY(cancelled.buttons.contains(QStringLiteral("OK")));
    QVERIFY(cancelled.buttons.contains(QStringLiteral("キャンセル")));
    // Paths with either separator: the system's own.
    const QStringList lines = QDir::fromNativeSeparators(cancelled.text).split(QLatin1Char('\n'));
    bool added = false;
    bool removed = false;
    for (const QString& line : lines) {
        added = added || (line.contains(QStringLiteral("追加")) && line.contains(QStringLiteral("_被保険者")) &&
                          line.contains(QStringLiteral("通知日")));
        removed = removed || (line.contains(QStringLiteral("削除")) && line.contains(QStringLiteral("_被保険者")) &&
                              line.contains(Q(original.insuredList[2].sNodename)));
    }
    QVERIFY2(added && removed, qPrintable(cancelled.text));
    // The file written, and the one there now, which is kept.
    const QString target = QDir::cleanPath(Q(forms + "/N7130001.tsv"));
    QVERIFY2(lines.contains(QStringLiteral("作成するファイル: ") + target), qPrintable(cancelled.text));
    QVERIFY2(lines.contains(QStringLiteral("今の様式定義ファイル: ") + target +
                            QStringLiteral("（forms/oldに移して残します）")),
             qPrintable(cancelled.text));
    QCOMPARE(ReadFile(forms + "/N7130001.tsv"), existing);
    QVERIFY(!Exists(forms + "/old"));

    // OK: the new file, the earlier one kept, and the next run converts the notification.
    const DialogSeen accepted = DraftFromRow(list, 0, QDialogButtonBox::Ok);
    QVERIFY(accepted.shown);
    QCOMPARE(accepted.text, cancelled.text);
    const std::string saved = ReadFile(forms + "/N7130001.tsv");
    QVERIFY(saved != existing);
    QVERIFY(saved.find("通知日") != std::string::npos);
    QCOMPARE(ListDir(forms + "/old").size(), std::size_t{1});
    QCOMPARE(ReadFile(forms + "/old/" + ListDir(forms + "/old").front()), existing);

    RunFolder(w);
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(Exists(w.out + "/revised.csv"));
    QCOMPARE(w.boxes.seen.size(), std::size_t{2});  // the two completion messages, no error box
}

QTEST_MAIN(WindowFormDraftTest)
#include "WindowFormDraftTest.moc"
