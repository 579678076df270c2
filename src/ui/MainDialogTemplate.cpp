#include "ui/MainDialogTemplate.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "TenvorVersion.h"
#include "ui/DialogUnits.h"
#include "ui/ErrorListView.h"

namespace tenvor {

namespace {

// Places a control at its dialog-unit rectangle.
template <typename Control>
Control* Place(Control* control, const DialogUnits& units, int x, int y, int width, int height)
{
    control->setGeometry(units.Rect(x, y, width, height));
    return control;
}

// A static text. It is never narrower than its text, so a substitute font with wider glyphs than
// the designed one cannot cut a label short.
QLabel* Label(QWidget* body, const DialogUnits& units, const QString& text, int x, int y, int width, int height,
              Qt::Alignment alignment = Qt::AlignLeft)
{
    auto* label = new QLabel(text, body);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setWordWrap(false);
    QRect area = units.Rect(x, y, width, height);
    const int needed = label->fontMetrics().horizontalAdvance(text) + 1;
    if (needed > area.width()) {
        if (alignment & Qt::AlignRight) {
            area.setLeft(area.right() + 1 - needed);
        } else {
            area.setWidth(needed);
        }
    }
    label->setGeometry(area);
    return label;
}

QPushButton* PushButton(QWidget* body, const DialogUnits& units, const char* symbol, const QString& text, int x, int y,
                        int width, int height)
{
    auto* button = Place(new QPushButton(text, body), units, x, y, width, height);
    button->setObjectName(QString::fromLatin1(symbol));
    // Enter presses a button only while it has the focus (see the window's key filter); no
    // button is ever the default one.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QLineEdit* PathBox(QWidget* body, const DialogUnits& units, const char* symbol, int x, int y, int width, int height)
{
    auto* box = Place(new QLineEdit(body), units, x, y, width, height);
    box->setObjectName(QString::fromLatin1(symbol));
    box->setFocusPolicy(Qt::StrongFocus);
    box->setAcceptDrops(false);  // a dropped file or folder goes to the window, not into the text
    return box;
}

// A mode's radio button: no tab stop, even after a click has given it the focus (Qt makes the
// focused button of an exclusive group a tab stop when it takes the focus).
class ModeRadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QRadioButton::focusInEvent(event);
        setFocusPolicy(Qt::ClickFocus);
    }
};

QRadioButton* ModeButton(QWidget* body, const DialogUnits& units, const char* symbol, const QString& text, int x, int y,
                         int width, int height)
{
    auto* button = Place(new ModeRadioButton(text, body), units, x, y, width, height);
    // Like a label, never narrower than its text and indicator.
    button->resize(std::max(button->width(), button->sizeHint().width()), button->height());
    button->setObjectName(QString::fromLatin1(symbol));
    button->setAutoExclusive(true);
    button->setFocusPolicy(Qt::ClickFocus);  // no tab stop
    return button;
}

// A check box with a tab stop, like a label never narrower than its text and indicator.
QCheckBox* CheckBox(QWidget* body, const DialogUnits& units, const char* symbol, const QString& text, int x, int y,
                    int width, int height)
{
    auto* box = Place(new QCheckBox(text, body), units, x, y, width, height);
    box->resize(std::max(box->width(), box->sizeHint().width()), box->height());
    box->setObjectName(QString::fromLatin1(symbol));
    box->setChecked(false);
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

void BuildMenu(QDialog& dialog, MainDialogControls& controls)
{
    controls.menuBar = new QMenuBar(&dialog);
    controls.menuBar->setObjectName(QStringLiteral("IDR_MENU1"));
    controls.menuBar->setNativeMenuBar(false);
    QMenu* file = controls.menuBar->addMenu(QStringLiteral("ファイル"));
    QMenu* encoding = file->addMenu(QStringLiteral("文字コード選択"));
    controls.menuFileSjis = encoding->addAction(QStringLiteral("シフトJIS"));
    controls.menuFileSjis->setObjectName(QStringLiteral("ID_MENU_FILE_SJIS"));
    controls.menuFileSjis->setCheckable(true);
    controls.menuFileSjis->setChecked(true);
    controls.menuFileUtf8 = encoding->addAction(QStringLiteral("Unicode (UTF-8)"));
    controls.menuFileUtf8->setObjectName(QStringLiteral("ID_MENU_FILE_UTF8"));
    controls.menuFileUtf8->setCheckable(true);
    controls.menuFileUtf8->setChecked(false);
    // The one command beside the encoding: the last run's output folder in the file manager.
    file->addSeparator();
    controls.menuFileOpenOutput = file->addAction(QStringLiteral("出力先フォルダを開く"));
    controls.menuFileOpenOutput->setObjectName(QStringLiteral("OpenOutputFolder"));
    controls.menuFileOpenOutput->setEnabled(false);
}

// A frame with its title on the top line, over the controls it frames.
void GroupBox(QWidget* body, const DialogUnits& units, const QString& title, int x, int y, int width, int height)
{
    auto* group = Place(new QGroupBox(title, body), units, x, y, width, height);
    group->setFocusPolicy(Qt::NoFocus);
    const int halfLine = group->fontMetrics().height() / 2;
    group->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
                                        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                                        " left: %2px; padding: 0px 2px; background-color: palette(window); }")
                             .arg(halfLine)
                             .arg(units.X(4)));
}

void BuildControls(QWidget* body, const DialogUnits& du, MainDialogControls& c)
{
    // The group boxes first, so that they lie beneath the controls they frame.
    GroupBox(body, du, QStringLiteral("選択方法"), 8, 7, 111, 27);
    GroupBox(body, du, QStringLiteral("対応方法"), 8, 197, 334, 75);

    Label(body, du, QStringLiteral("："), 63, 42, 8, 13);
    Label(body, du, QStringLiteral("："), 63, 59, 8, 13);
    c.radSelectFile = ModeButton(body, du, "IDC_RAD_SELECT_FILE", QStringLiteral("ファイル選択"), 13, 17, 46, 14);
    c.radSelectFolder = ModeButton(body, du, "IDC_RAD_SELECT_FOLDER", QStringLiteral("フォルダ選択"), 69, 17, 46, 14);
    // Beside the mode's group, on the radio buttons' row: it belongs to folder mode.
    c.chkSubfoldersAndZip = CheckBox(body, du, "IDC_CHK_SUBFOLDERS_AND_ZIP",
                                     QStringLiteral("サブフォルダとZIPファイルも変換する"), 127, 17, 150, 14);
    c.edtPathInput = PathBox(body, du, "IDC_EDT_PATH_INPUT", 68, 40, 236, 12);
    c.btnBrowseInput = PushButton(body, du, "IDC_BTN_BROWSE_INPUT", QStringLiteral("参照"), 309, 39, 33, 13);
    c.edtPathOutput = PathBox(body, du, "IDC_EDT_PATH_OUTPUT", 68, 58, 236, 12);
    c.btnBrowseOutput = PushButton(body, du, "IDC_BTN_BROWSE_OUTPUT", QStringLiteral("参照"), 309, 57, 33, 13);
    c.btnBrowseOutput->setEnabled(false);
    c.btnOutput = PushButton(body, du, "IDC_BTN_OUTPUT", QStringLiteral("CSV出力"), 271, 277, 33, 13);
    c.btnOutput->setEnabled(false);
    c.btnExit = PushButton(body, du, "IDC_BTN_EXIT", QStringLiteral("終了"), 309, 277, 33, 13);
    // On the buttons' row, left of "CSV出力", below the frame of the guidance: it belongs to the run.
    c.chkWorkbook =
        CheckBox(body, du, "IDC_CHK_WORKBOOK", QStringLiteral("一覧表（Excel）も作成する"), 8, 277, 150, 13);

    c.prgBar = Place(new QProgressBar(body), du, 43, 78, 238, 13);
    c.prgBar->setObjectName(QStringLiteral("IDC_PRG_BAR"));
    c.prgBar->setRange(0, 100);
    c.prgBar->setValue(0);
    c.prgBar->setTextVisible(false);
    c.prgBar->setFocusPolicy(Qt::NoFocus);

    c.txtProgress = Label(body, du, QStringLiteral("(0/0)"), 285, 81, 57, 8);
    c.txtProgress->setObjectName(QStringLiteral("IDC_TXT_PROGRESS"));
    Label(body, du, QString::fromUtf8(kVersionLabel.data(), static_cast<qsizetype>(kVersionLabel.size())), 292, 4, 53,
          8, Qt::AlignRight);
    // The captions name their boxes for assistive tools.
    Label(body, du, QStringLiteral("電子通知書(XML)"), 4, 43, 58, 13)->setBuddy(c.edtPathInput);
    Label(body, du, QStringLiteral("出力先（保存先）"), 5, 59, 54, 10)->setBuddy(c.edtPathOutput);

    c.listErrorfile = Place(new ErrorListView(body), du, 15, 101, 334, 89);
    c.listErrorfile->setObjectName(QStringLiteral("IDC_LIST_ERRORFILE"));
    Label(body, du, QStringLiteral("進捗状況 ："), 8, 80, 34, 10)->setBuddy(c.prgBar);

    c.edtGuidance = Place(new QPlainTextEdit(body), du, 16, 211, 319, 51);
    c.edtGuidance->setObjectName(QStringLiteral("IDC_EDT_GUIDANCE"));
    c.edtGuidance->setLineWrapMode(QPlainTextEdit::NoWrap);
    c.edtGuidance->setTabChangesFocus(true);
    c.edtGuidance->setFocusPolicy(Qt::StrongFocus);
    c.edtGuidance->setAcceptDrops(false);
    c.edtGuidance->viewport()->setAcceptDrops(false);
}

void SetTabOrder(const MainDialogControls& c)
{
    // The check box follows the mode's radio buttons, which are no tab stops, and so comes first.
    // The workbook's check box comes before "CSV出力", which it changes.
    QWidget* const order[] = {c.chkSubfoldersAndZip, c.edtPathInput, c.btnBrowseInput, c.edtPathOutput,
                              c.btnBrowseOutput,     c.chkWorkbook,  c.btnOutput,      c.btnExit,
                              c.listErrorfile,       c.edtGuidance};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
}

}  // namespace

QFont DialogFont()
{
    // Font matching would replace a missing family by any sans-serif font, so the first family
    // that is really installed is chosen here. IPAPGothic, like MS UI Gothic, has proportional
    // kana; the others are wider and come after it.
    static const char* const kFamilies[] = {"MS UI Gothic", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP"};
    QFont font;
    for (const char* family : kFamilies) {
        if (QFontDatabase::hasFamily(QString::fromUtf8(family))) {
            font.setFamily(QString::fromUtf8(family));
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

MainDialogControls BuildMainDialog(QDialog& dialog)
{
    dialog.setObjectName(QStringLiteral("IDD_MAIN_DIALOG"));
    dialog.setWindowTitle(QStringLiteral("Tenvor"));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFont(DialogFont());

    MainDialogControls controls;
    BuildMenu(dialog, controls);

    auto* body = new QWidget(&dialog);
    body->setObjectName(QStringLiteral("IDD_MAIN_DIALOG_CLIENT"));
    const DialogUnits units(body->fontMetrics());
    body->setFixedSize(units.Size(kDialogWidthUnits, kDialogHeightUnits));
    BuildControls(body, units, controls);
    SetTabOrder(controls);

    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(controls.menuBar);
    layout->addWidget(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // not resizable
    return controls;
}

}  // namespace tenvor
