// The window as it opens: controls, texts, initial states, placement, tab order, menu, list.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "ui/DialogUnits.h"
#include "ui/ErrorListView.h"
#include "ui/UiTestSupport.h"

using namespace tenvor;
using namespace tenvor::test;

class WindowStartTest : public QObject {
    Q_OBJECT

public:
    static void initMain() { tenvor::test::PrepareWindowTestProcess(); }

private slots:
    void startState();
    void staticTexts();
    void placementFollowsDialogUnits();
    void tabOrderSkipsRadioButtonsAndDisabledButtons();
    void encodingMenu();
    void errorListColumnsAndStyles();
};

void WindowStartTest::startState()
{
    WindowFixture w;
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg()));

    QCOMPARE(w.dlg().windowTitle(), QStringLiteral("Tenvor"));
    QVERIFY(!w.dlg().windowIcon().isNull());
    QCOMPARE(w.dlg().minimumSize(), w.dlg().maximumSize());  // fixed size
    QVERIFY(!(w.dlg().windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w.dlg().windowFlags() & Qt::WindowMaximizeButtonHint));

    QVERIFY(w.Find<QRadioButton>("IDC_RAD_SELECT_FILE")->isChecked());
    QVERIFY(!w.Find<QRadioButton>("IDC_RAD_SELECT_FOLDER")->isChecked());
    QVERIFY(w.dlg().IsFileMode());
    QVERIFY(w.dlg().IsFileMode());
    // Subfolders and ZIP files are a folder mode's option: unchecked, and disabled in file mode.
    auto* subfolders = w.Find<QCheckBox>("IDC_CHK_SUBFOLDERS_AND_ZIP");
    QVERIFY(subfolders != nullptr);
    QVERIFY(!subfolders->isChecked());
    QVERIFY(!subfolders->isEnabled());
    QVERIFY(!w.dlg().RequestFromControls().recursive);

    auto* input = w.Find<QLineEdit>("IDC_EDT_PATH_INPUT");
    auto* output = w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT");
    QVERIFY(input->text().isEmpty());
    QVERIFY(output->text().isEmpty());
    QVERIFY(!input->isReadOnly());
    QVERIFY(output->isReadOnly());
    auto* guidance = w.Find<QPlainTextEdit>("IDC_EDT_GUIDANCE");
    QVERIFY(guidance->isReadOnly());
    // The read-only boxes have the dialog's background, unlike the input box; their text stays
    // selectable.
    const QColor face = w.dlg().palette().color(QPalette::Window);
    QCOMPARE(output->palette().color(QPalette::Base), face);
    QCOMPARE(guidance->palette().color(QPalette::Base), face);
    QVERIFY(input->palette().color(QPalette::Base) != face);
    QVERIFY(guidance->textInteractionFlags() & Qt::TextSelectableByMouse);
    QCOMPARE(QApplication::focusWidget(), input);

    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    QVERIFY(counter->isHidden());
    QCOMPARE(counter->text(), QStringLiteral("(0/0)"));
    QCOMPARE(w.Find<QProgressBar>("IDC_PRG_BAR")->value(), 0);

    QVERIFY(!w.Find<QPushButton>("IDC_BTN_OUTPUT")->isEnabled());
    QVERIFY(!w.Find<QPushButton>("IDC_BTN_BROWSE_OUTPUT")->isEnabled());
    QVERIFY(w.Find<QPushButton>("IDC_BTN_BROWSE_INPUT")->isEnabled());
    QVERIFY(w.Find<QPushButton>("IDC_BTN_EXIT")->isEnabled());
    for (QPushButton* button : w.dlg().findChildren<QPushButton*>()) {
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }
    QVERIFY(w.dlg().ErrorRecords().empty());
    QVERIFY(w.boxes.seen.empty());
}

void WindowStartTest::staticTexts()
{
    WindowFixture w;
    QStringList labels;
    for (QLabel* label : w.dlg().findChildren<QLabel*>()) {
        labels << label->text();
    }
    labels.sort();
    QStringList expected = {QStringLiteral("："),
                            QStringLiteral("："),
                            QStringLiteral("(0/0)"),
                            QStringLiteral("Version 1.20"),
                            QStringLiteral("電子通知書(XML)"),
                            QStringLiteral("出力先（保存先）"),
                            QStringLiteral("進捗状況 ：")};
    expected.sort();
    QCOMPARE(labels, expected);

    QStringList groups;
    for (QGroupBox* group : w.dlg().findChildren<QGroupBox*>()) {
        groups << group->title();
    }
    groups.sort();
    QCOMPARE(groups, (QStringList{QStringLiteral("対応方法"), QStringLiteral("選択方法")}));

    QCOMPARE(w.Find<QRadioButton>("IDC_RAD_SELECT_FILE")->text(), QStringLiteral("ファイル選択"));
    QCOMPARE(w.Find<QRadioButton>("IDC_RAD_SELECT_FOLDER")->text(), QStringLiteral("フォルダ選択"));
    QCOMPARE(w.dlg().findChildren<QCheckBox*>().size(), 2);
    QCOMPARE(w.Find<QCheckBox>("IDC_CHK_SUBFOLDERS_AND_ZIP")->text(),
             QStringLiteral("サブフォルダとZIPファイルも変換する"));
    QCOMPARE(w.Find<QCheckBox>("IDC_CHK_WORKBOOK")->text(), QStringLiteral("一覧表（Excel）も作成する"));
    QCOMPARE(w.Find<QPushButton>("IDC_BTN_BROWSE_INPUT")->text(), QStringLiteral("参照"));
    QCOMPARE(w.Find<QPushButton>("IDC_BTN_BROWSE_OUTPUT")->text(), QStringLiteral("参照"));
    QCOMPARE(w.Find<QPushButton>("IDC_BTN_OUTPUT")->text(), QStringLiteral("CSV出力"));
    QCOMPARE(w.Find<QPushButton>("IDC_BTN_EXIT")->text(), QStringLiteral("終了"));
}

void WindowStartTest::placementFollowsDialogUnits()
{
    WindowFixture w;
    const DialogUnits du(w.dlg().fontMetrics());
    QVERIFY(du.BaseWidth() > 0 && du.BaseHeight() > 0);

    struct Expected {
        const char* symbol;
        int x, y, width, height;
    };
    const Expected controls[] = {
        {"IDC_EDT_PATH_INPUT", 68, 40, 236, 12},  {"IDC_BTN_BROWSE_INPUT", 309, 39, 33, 13},
        {"IDC_EDT_PATH_OUTPUT", 68, 58, 236, 12}, {"IDC_BTN_BROWSE_OUTPUT", 309, 57, 33, 13},
        {"IDC_BTN_OUTPUT", 271, 277, 33, 13},     {"IDC_BTN_EXIT", 309, 277, 33, 13},
        {"IDC_PRG_BAR", 43, 78, 238, 13},         {"IDC_LIST_ERRORFILE", 15, 101, 334, 89},
        {"IDC_EDT_GUIDANCE", 16, 211, 319, 51},
    };
    for (const Expected& e : controls) {
        auto* control = w.Find<QWidget>(e.symbol);
        QVERIFY2(control != nullptr, e.symbol);
        QCOMPARE(control->geometry(), du.Rect(e.x, e.y, e.width, e.height));
    }
    // The radio buttons and labels keep their place; they may be wider than designed when the
    // font needs it, but never narrower, and the two radio buttons never overlap.
    auto* file = w.Find<QRadioButton>("IDC_RAD_SELECT_FILE");
    auto* folder = w.Find<QRadioButton>("IDC_RAD_SELECT_FOLDER");
    QCOMPARE(file->pos(), du.Rect(13, 17, 46, 14).topLeft());
    QCOMPARE(folder->pos(), du.Rect(69, 17, 46, 14).topLeft());
    QVERIFY(file->width() >= du.X(46));
    QVERIFY(file->geometry().right() < folder->geometry().left());
    // The check box: on the radio buttons' row, right of the mode's group, inside the window and
    // clear of the version label above it.
    auto* subfolders = w.Find<QCheckBox>("IDC_CHK_SUBFOLDERS_AND_ZIP");
    QCOMPARE(subfolders->pos(), du.Rect(127, 17, 150, 14).topLeft());
    QCOMPARE(subfolders->height(), du.Y(14));
    QVERIFY(subfolders->width() >= du.X(150));
    QVERIFY(subfolders->width() >= subfolders->sizeHint().width());
    QVERIFY(du.Rect(8, 7, 111, 27).right() < subfolders->geometry().left());
    QVERIFY(subfolders->geometry().right() < du.X(351));
    QVERIFY(du.Rect(292, 4, 53, 8).bottom() < subfolders->geometry().top());
    // The workbook's check box: on the buttons' row, below the guidance's frame, left of "CSV出力".
    auto* workbook = w.Find<QCheckBox>("IDC_CHK_WORKBOOK");
    QCOMPARE(workbook->pos(), du.Rect(8, 277, 150, 13).topLeft());
    QVERIFY(workbook->width() >= workbook->sizeHint().width());
    QVERIFY(du.Rect(8, 197, 334, 75).bottom() < workbook->geometry().top());
    QVERIFY(workbook->geometry().right() < du.Rect(271, 277, 33, 13).left());
    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    QCOMPARE(counter->pos(), du.Rect(285, 81, 57, 8).topLeft());

    auto* client = w.dlg().findChild<QWidget*>(QStringLiteral("IDD_MAIN_DIALOG_CLIENT"));
    QVERIFY(client != nullptr);
    QCOMPARE(client->size(), du.Size(351, 297));
}

void WindowStartTest::tabOrderSkipsRadioButtonsAndDisabledButtons()
{
    WindowFixture w;
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg()));
    auto tabCycle = [&](int count = 9) {
        QStringList names;
        for (int i = 0; i < count; ++i) {
            names << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return names;
    };
    QCOMPARE(tabCycle(), (QStringList{"IDC_EDT_PATH_INPUT", "IDC_BTN_BROWSE_INPUT", "IDC_EDT_PATH_OUTPUT",
                                      "IDC_CHK_WORKBOOK", "IDC_BTN_EXIT", "IDC_LIST_ERRORFILE", "IDC_EDT_GUIDANCE",
                                      "IDC_EDT_PATH_INPUT", "IDC_BTN_BROWSE_INPUT"}));

    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setText(QStringLiteral("x"));
    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setFocus();
    QCOMPARE(tabCycle(), (QStringList{"IDC_EDT_PATH_INPUT", "IDC_BTN_BROWSE_INPUT", "IDC_EDT_PATH_OUTPUT",
                                      "IDC_BTN_BROWSE_OUTPUT", "IDC_CHK_WORKBOOK", "IDC_BTN_OUTPUT", "IDC_BTN_EXIT",
                                      "IDC_LIST_ERRORFILE", "IDC_EDT_GUIDANCE"}));

    // In folder mode the check box, enabled, is the stop before the input box; the clicked radio
    // button is still none.
    QTest::mouseClick(w.Find<QRadioButton>("IDC_RAD_SELECT_FOLDER"), Qt::LeftButton);
    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setText(QStringLiteral("x"));
    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setFocus();
    QCOMPARE(tabCycle(11),
             (QStringList{"IDC_EDT_PATH_INPUT", "IDC_BTN_BROWSE_INPUT", "IDC_EDT_PATH_OUTPUT", "IDC_BTN_BROWSE_OUTPUT",
                          "IDC_CHK_WORKBOOK", "IDC_BTN_OUTPUT", "IDC_BTN_EXIT", "IDC_LIST_ERRORFILE",
                          "IDC_EDT_GUIDANCE", "IDC_CHK_SUBFOLDERS_AND_ZIP", "IDC_EDT_PATH_INPUT"}));
}

void WindowStartTest::encodingMenu()
{
    WindowFixture w;
    auto* menuBar = w.dlg().findChild<QMenuBar*>();
    QVERIFY(menuBar != nullptr);
    QCOMPARE(menuBar->actions().size(), 1);
    QAction* file = menuBar->actions().first();
    QCOMPARE(file->text(), QStringLiteral("ファイル"));
    // The encoding's popup, and below it the command that opens the last run's output folder,
    // disabled until a run has written a CSV file.
    const QList<QAction*> fileItems = file->menu()->actions();
    QCOMPARE(fileItems.size(), 3);
    QAction* encoding = fileItems[0];
    QCOMPARE(encoding->text(), QStringLiteral("文字コード選択"));
    QVERIFY(fileItems[1]->isSeparator());
    QCOMPARE(fileItems[2]->text(), QStringLiteral("出力先フォルダを開く"));
    QVERIFY(!fileItems[2]->isEnabled());
    const QList<QAction*> commands = encoding->menu()->actions();
    QCOMPARE(commands.size(), 2);
    QAction* sjis = commands[0];
    QAction* utf8 = commands[1];
    QCOMPARE(sjis->objectName(), QStringLiteral("ID_MENU_FILE_SJIS"));
    QCOMPARE(sjis->text(), QStringLiteral("シフトJIS"));
    QCOMPARE(utf8->objectName(), QStringLiteral("ID_MENU_FILE_UTF8"));
    QCOMPARE(utf8->text(), QStringLiteral("Unicode (UTF-8)"));

    QVERIFY(sjis->isChecked() && !utf8->isChecked());
    QVERIFY(w.dlg().Encoding() == OutputEncoding::ShiftJis);
    utf8->trigger();
    QVERIFY(!sjis->isChecked() && utf8->isChecked());
    QVERIFY(w.dlg().Encoding() == OutputEncoding::Utf8);
    utf8->trigger();  // choosing the checked command keeps it checked
    QVERIFY(!sjis->isChecked() && utf8->isChecked());
    sjis->trigger();
    QVERIFY(sjis->isChecked() && !utf8->isChecked());
    QVERIFY(w.dlg().Encoding() == OutputEncoding::ShiftJis);
    sjis->trigger();
    QVERIFY(sjis->isChecked() && !utf8->isChecked());

    // A new start begins with Shift_JIS again.
    utf8->trigger();
    WindowFixture next;
    QVERIFY(next.Find<QAction>("ID_MENU_FILE_SJIS")->isChecked());
    QVERIFY(!next.Find<QAction>("ID_MENU_FILE_UTF8")->isChecked());
}

void WindowStartTest::errorListColumnsAndStyles()
{
    WindowFixture w;
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QVERIFY(list->model() != nullptr);
    QCOMPARE(list->model()->columnCount(), 3);
    QCOMPARE(list->model()->rowCount(), 0);
    const QString headers[] = {QStringLiteral("項番"), QStringLiteral("エラー内容"), QStringLiteral("対象ファイル")};
    const int widths[] = {40, 250, 560};
    for (int column = 0; column < 3; ++column) {
        QCOMPARE(list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), headers[column]);
        QCOMPARE(list->columnWidth(column), widths[column]);
    }
    QVERIFY(list->showGrid());
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!list->verticalHeader()->isVisible());
}

QTEST_MAIN(WindowStartTest)
#include "WindowStartTest.moc"
