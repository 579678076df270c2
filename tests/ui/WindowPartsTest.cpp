// The window's parts on their own: dialog units, the event pump's throttle, the error list's
// model and view (twenty thousand rows included, and fitted columns that show every text whole),
// what a drop offers, and the bar and counter operations of the window state.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QUrl>
#include <QtTest>
#include <atomic>
#include <thread>

#include "diag/MessageCatalog.h"
#include "ui/DialogUnits.h"
#include "ui/DroppedInput.h"
#include "ui/ErrorListModel.h"
#include "ui/ErrorListView.h"
#include "ui/MainDialogTemplate.h"
#include "ui/RunEventQueue.h"
#include "ui/UiTestSupport.h"

using namespace tenvor;
using namespace tenvor::test;

namespace {

// The error list with access to the options its cells are painted with.
class PaintableErrorList : public ErrorListView {
public:
    // One cell as the view paints it when the cell's text has room pixels, on a white image
    // that many pixels wide.
    QImage PaintCell(const QModelIndex& index, int room, int imageWidth) const
    {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = QRect(0, 0, room, rowHeight(index.row()));
        QImage image(imageWidth, option.rect.height(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        itemDelegateForIndex(index)->paint(&painter, option, index);
        return image;
    }
};

}  // namespace

class WindowPartsTest : public QObject {
    Q_OBJECT

public:
    static void initMain() { tenvor::test::PrepareWindowTestProcess(); }

private slots:
    void dialogUnitsConvertAsWindowsDoes();
    void runEventsArriveInOrderWithProgressThinnedOut();
    void errorListModelInsertsAtTheTop();
    void twentyThousandRowsFillNewestFirstAndFit();
    void fittedColumnsShowTheirWidestTextWhole();
    void firstSelectedRowIsTheTopmost();
    void droppedInputIsOneFolderOrOneXmlOrZipFile();
    void barAndCounterOperations();
};

void WindowPartsTest::dialogUnitsConvertAsWindowsDoes()
{
    const DialogUnits du(6, 13);
    QCOMPARE(du.X(351), 527);  // 526.5 rounds up
    QCOMPARE(du.Y(297), 483);  // 482.625
    QCOMPARE(du.X(0), 0);
    QCOMPARE(du.Rect(15, 101, 334, 89), QRect(23, 164, 501, 145));
    QCOMPARE(du.Size(33, 13), QSize(50, 21));
    QCOMPARE(DialogUnits(7, 16).Rect(4, 8, 8, 8), QRect(7, 16, 14, 16));

    // From a font: the alphabet's width / 26, halved with rounding; the font's height.
    QFont font;
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    const DialogUnits measured(metrics);
    const int alphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    QCOMPARE(measured.BaseWidth(), (alphabet / 26 + 1) / 2);
    QCOMPARE(measured.BaseHeight(), metrics.height());
}

void WindowPartsTest::runEventsArriveInOrderWithProgressThinnedOut()
{
    // What the window would show, in order.
    class Target : public RunObserver {
    public:
        void CounterChanged(int done, int total) override
        {
            seen << QStringLiteral("counter %1/%2").arg(done).arg(total);
        }
        void OutputFolderDecided(const std::string& folder) override { seen << Q(folder); }
        void MessageShown(const RunMessage& message) override
        {
            seen << Q(MessageText(message));
            shownWhileBlocked = !workerPastMessage.load();
        }
        void RunFinished(const RunSummary&) override { seen << QStringLiteral("finished"); }
        QStringList seen;
        std::atomic<bool> workerPastMessage{false};
        bool shownWhileBlocked = false;
    } target;
    RunEventQueue queue(target);
    queue.BeginRun();
    QEventLoop loop;
    std::thread worker([&] {
        for (int i = 0; i <= 5000; ++i) {
            queue.CounterChanged(i, 5000);
        }
        queue.OutputFolderDecided("out");
        queue.CounterChanged(5001, 5002);
        queue.MessageShown(RunMessage{kMsgRunAborted, {"stop"}});
        target.workerPastMessage = true;
        queue.RunFinished(RunSummary{});
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    queue.EndRun();

    // Every event other than progress arrives, in order; progress shows its latest value before
    // each of them, and far fewer times than it was reported.
    QVERIFY2(target.seen.size() >= 5, qPrintable(target.seen.join(QLatin1Char(' '))));
    const QStringList tail = target.seen.mid(target.seen.size() - 5);
    QCOMPARE(tail, (QStringList{QStringLiteral("counter 5000/5000"), QStringLiteral("out"),
                                QStringLiteral("counter 5001/5002"),
                                Q(MessageText(RunMessage{kMsgRunAborted, {"stop"}})), QStringLiteral("finished")}));
    QCOMPARE(queue.ProgressReports(), 5002);
    QVERIFY2(queue.ProgressDeliveries() < 5002, qPrintable(QString::number(queue.ProgressDeliveries())));
    // A message holds the run until it has been shown.
    QVERIFY(target.shownWhileBlocked);
}

void WindowPartsTest::errorListModelInsertsAtTheTop()
{
    ErrorListModel model;
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("項番"));
    QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("対象ファイル"));
    for (const char* name : {"A", "B", "C"}) {
        const int row = model.InsertTopRow();
        QCOMPARE(row, 0);
        model.SetCell(row, 2, QString::fromLatin1(name));
    }
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.Cell(0, 2), QStringLiteral("C"));
    QCOMPARE(model.Cell(2, 2), QStringLiteral("A"));
    QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("B"));
    QVERIFY(model.Cell(0, 0).isEmpty());
    // Outside the rows and columns: empty, and setting does nothing.
    QVERIFY(model.Cell(-1, 1).isEmpty());
    QVERIFY(model.Cell(3, 1).isEmpty());
    QVERIFY(model.Cell(0, 3).isEmpty());
    model.SetCell(5, 0, QStringLiteral("x"));
    model.SetCell(0, -1, QStringLiteral("x"));
    QCOMPARE(model.rowCount(), 3);
    model.Clear();
    QCOMPARE(model.rowCount(), 0);
}

void WindowPartsTest::twentyThousandRowsFillNewestFirstAndFit()
{
    ErrorListModel model;
    ErrorListView view;
    view.resize(500, 150);
    view.InitColumns(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    constexpr int kRows = 20000;
    const QString kind = QStringLiteral("選択したファイルと同名のファイルが存在します。");
    QString longest;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kRows; ++i) {
        const int row = model.InsertTopRow();
        const QString path =
            QStringLiteral("/home/clerk/通知書/2024年度/%1.xml").arg(i, i == 12345 ? 40 : 5, 10, QChar('0'));
        if (path.size() > longest.size()) {
            longest = path;
        }
        model.SetCell(row, 0, QString::number(kRows - i));
        model.SetCell(row, 1, kind);
        model.SetCell(row, 2, path);
    }
    view.FitColumns();
    const qint64 elapsed = clock.elapsed();
    qInfo("%d rows filled and fitted in %lld ms", kRows, elapsed);  // reported, not asserted

    QCOMPARE(model.rowCount(), kRows);
    QCOMPARE(model.Cell(0, 0), QStringLiteral("1"));
    QCOMPARE(model.Cell(kRows - 1, 0), QString::number(kRows));
    const QFontMetrics metrics(view.font());
    QVERIFY(view.columnWidth(2) > metrics.horizontalAdvance(longest));
    QVERIFY(view.columnWidth(1) > metrics.horizontalAdvance(kind));
    QVERIFY(view.columnWidth(0) > metrics.horizontalAdvance(QString::number(kRows)));
    QVERIFY(view.columnWidth(0) >= view.HeaderWidth(0));
}

void WindowPartsTest::fittedColumnsShowTheirWidestTextWhole()
{
    ErrorListModel model;
    PaintableErrorList view;
    view.setFont(DialogFont());  // the window's font, whose advances fall between whole pixels
    view.resize(400, 150);       // narrower than the columns: none is widened to fill the view
    view.InitColumns(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int grid = view.showGrid() ? 1 : 0;

    // Without rows, each column fits its header: its title is painted as in a wider section.
    view.FitColumns();
    QHeaderView* header = view.horizontalHeader();
    for (int column = 0; column < 2; ++column) {
        const int width = view.columnWidth(column);
        const QRect title(header->sectionViewportPosition(column), 0, width - 2, header->height());
        const QImage fitted = header->grab(title).toImage();
        view.setColumnWidth(column, width + 100);
        QCOMPARE(header->grab(title).toImage(), fitted);
    }

    // Texts whose widths fall between whole pixels: a four-digit row number, the longest error
    // text, a long path.
    const QString widest[3] = {
        QStringLiteral("1000"),
        QString::fromUtf8(errorContentList[3].data(), static_cast<qsizetype>(errorContentList[3].size())),
        QStringLiteral("/home/clerk/電子通知書/2024年度/賞与支払届_令和6年12月分_株式会社ｻﾝﾌﾟﾙ.xml"),
    };
    for (const char* number : {"999", "1000"}) {
        const int row = model.InsertTopRow();
        model.SetCell(row, 0, QString::fromLatin1(number));
        model.SetCell(row, 1, number == std::string("1000") ? widest[1] : QStringLiteral("短い"));
        model.SetCell(row, 2, number == std::string("1000") ? widest[2] : QStringLiteral("/a.xml"));
    }
    view.FitColumns();
    for (int column = 0; column < 3; ++column) {
        const QModelIndex cell = model.index(0, column);
        QCOMPARE(cell.data().toString(), widest[column]);
        const int width = view.columnWidth(column) - grid;  // the cell's room inside the grid
        QVERIFY(width >= view.HeaderWidth(column) - grid);
        // Cut short, the text would end in an ellipsis where the wider cell shows its last
        // characters.
        QVERIFY2(view.PaintCell(cell, width, width) == view.PaintCell(cell, width + 200, width),
                 qPrintable(QStringLiteral("column %1 cuts %2 short").arg(column).arg(widest[column])));
    }
    QCOMPARE(model.index(0, 2).data(Qt::ToolTipRole).toString(), widest[2]);
    QVERIFY(!model.index(0, 1).data(Qt::ToolTipRole).isValid());
}

void WindowPartsTest::firstSelectedRowIsTheTopmost()
{
    ErrorListModel model;
    ErrorListView view;
    view.InitColumns(&model);
    for (int i = 0; i < 6; ++i) {
        model.InsertTopRow();
    }
    QCOMPARE(view.FirstSelectedRow(), -1);
    view.selectionModel()->select(model.index(4, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(view.FirstSelectedRow(), 4);
    view.selectionModel()->select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(view.FirstSelectedRow(), 2);
    view.clearSelection();
    QCOMPARE(view.FirstSelectedRow(), -1);
}

void WindowPartsTest::droppedInputIsOneFolderOrOneXmlOrZipFile()
{
    TempDir dir;
    WriteFile(dir / "a.xml", "<a/>");
    WriteFile(dir / "b.XML", "<b/>");
    WriteFile(dir / "c.txt", "c");
    WriteFile(dir / "d.zip", "PK");
    WriteFile(dir / "e.ZiP", "PK");
    WriteFile(dir / "f.zip.txt", "f");
    MakeDir(dir / "sub.xml");
    MakeDir(dir / "sub.zip");
    auto offer = [](const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        return DroppedInputOf(&mime);
    };
    auto local = [&](const std::string& name) { return QUrl::fromLocalFile(Q(dir / name)); };

    const auto file = offer({local("a.xml")});
    QVERIFY(file.has_value());
    QCOMPARE(file->path, Q(dir / "a.xml"));
    QVERIFY(!file->isFolder);
    QVERIFY(offer({local("b.XML")}).has_value());
    // A ZIP file, its extension in any letter case, is a file like an XML file.
    for (const char* name : {"d.zip", "e.ZiP"}) {
        const auto zip = offer({local(name)});
        QVERIFY(zip.has_value());
        QCOMPARE(zip->path, Q(dir / name));
        QVERIFY(!zip->isFolder);
    }

    const auto folder = offer({QUrl::fromLocalFile(Q(dir.path() + "/"))});
    QVERIFY(folder.has_value());
    QVERIFY(folder->isFolder);
    QCOMPARE(folder->path, Q(dir.path()));
    const auto folderNamedXml = offer({local("sub.xml")});
    QVERIFY(folderNamedXml.has_value() && folderNamedXml->isFolder);
    const auto folderNamedZip = offer({local("sub.zip")});
    QVERIFY(folderNamedZip.has_value() && folderNamedZip->isFolder);

    QVERIFY(!offer({local("c.txt")}).has_value());
    QVERIFY(!offer({local("f.zip.txt")}).has_value());
    QVERIFY(!offer({local("missing.zip")}).has_value());
    QVERIFY(!offer({local("a.xml"), local("d.zip")}).has_value());
    QVERIFY(!offer({local("missing.xml")}).has_value());
    QVERIFY(!offer({local("a.xml"), local("b.XML")}).has_value());
    QVERIFY(!offer({QUrl(QStringLiteral("https://example.com/a.xml"))}).has_value());
    QVERIFY(!offer({}).has_value());
    QVERIFY(!DroppedInputOf(nullptr).has_value());
}

void WindowPartsTest::barAndCounterOperations()
{
    WindowFixture w;
    auto* bar = w.Find<QProgressBar>("IDC_PRG_BAR");
    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    RunObserver& events = w.dlg().RunEvents();

    events.ProgressChanged({0, 10});
    QCOMPARE(bar->maximum(), 10);
    QCOMPARE(bar->value(), 0);
    events.ProgressChanged({2, 10});
    QCOMPARE(bar->value(), 2);

    // An empty range shows an empty bar, not a busy indicator.
    events.ProgressChanged({0, 0});
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), 0);
    events.ProgressChanged({1, 1});
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(bar->maximum(), 1);

    QVERIFY(counter->isHidden());
    events.CounterChanged(3, 10);
    QVERIFY(!counter->isHidden());
    QCOMPARE(counter->text(), QStringLiteral("(3/10)"));
    // A new text in the output box hides the counter and empties the bar.
    events.OutputFolderDecided(w.out);
    QVERIFY(counter->isHidden());
    QCOMPARE(bar->value(), 0);
    QCOMPARE(w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text(), Q(w.out));

    QCOMPARE(w.dlg().FirstSelectedErrorRow(), -1);
}

QTEST_MAIN(WindowPartsTest)
#include "WindowPartsTest.moc"
