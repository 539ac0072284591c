// What the result lists show after a real Compare, offscreen: counts in the legend, filters by a
// legend row or the context menu, sorting by a header, and the namesake selected in the other
// list; none of it touches the rows' order, their statuses or the plan.
#include "main_window/qt/form1.h"

#include "fakes/sync_fixture.h"
#include "main_window/qt/result_rows_model.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace parlowen;

namespace {

constexpr std::int64_t kEarly = 1'500'000'000;
constexpr std::int64_t kLate = 1'600'000'000;

// Every status on both sides: OK, newer, older, without a match, and two sizes written in the
// same second (no status).
struct Fixture : testing::SyncFixture
{
    QTableView* list1 = form.findChild<QTableView*>("ListView1");
    QTableView* list2 = form.findChild<QTableView*>("ListView2");

    Fixture()
    {
        left.file("same.mp3", "s", kEarly);
        right.file("same.mp3", "s", kEarly);
        left.file("b-newer.mp3", "new version", kLate);
        right.file("b-newer.mp3", "old", kEarly);
        left.file("Older.mp3", "older", kEarly);
        right.file("Older.mp3", "newer one", kLate);
        left.file("tie.mp3", "four", kEarly);
        right.file("tie.mp3", "three", kEarly);
        left.file("only-left.mp3", "12345678", kEarly);
        right.file("only-right-1.mp3", "r", kEarly);
        right.file("only-right-2.mp3", "r", kEarly);
        compare();
    }
};

// The names a list shows, top to bottom.
QStringList shown(QTableView* list)
{
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        names << list->model()->index(row, 0).data().toString();
    return names;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// Picks an entry of the context menu the list opens.
void chooseFromMenu(QTableView* list, const QString& entry)
{
    QTimer::singleShot(0, [entry] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* action : menu->actions()) {
            if (QString(action->text()).remove('&') == entry)
                action->trigger();
        }
        menu->close();
    });
    emit list->customContextMenuRequested(QPoint(5, 5));
}

} // namespace

class Form1ListsTest : public QObject
{
    Q_OBJECT

private slots:
    void legendCountsEachPictureOnBothSides()
    {
        Fixture f;
        QCOMPARE(f.form.findChild<QLabel*>("Count1")->text(), QStringLiteral("1 | 1"));
        QCOMPARE(f.form.findChild<QLabel*>("Count2")->text(), QStringLiteral("1 | 1"));
        QCOMPARE(f.form.findChild<QLabel*>("Count3")->text(), QStringLiteral("1 | 2"));
    }

    void filtersShowTheSameKindOfRowInBothLists_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("right");
        QTest::newRow("newer") << "Label1" << QStringList{"b-newer.mp3"}
                               << QStringList{"Older.mp3"};
        QTest::newRow("older") << "Image4" << QStringList{"Older.mp3"}
                               << QStringList{"b-newer.mp3"};
        QTest::newRow("no match") << "Label3" << QStringList{"only-left.mp3"}
                                  << QStringList{"only-right-1.mp3", "only-right-2.mp3"};
        QTest::newRow("not OK") << "Show rows that are not OK"
                                << QStringList{"Older.mp3", "b-newer.mp3", "only-left.mp3",
                                               "tie.mp3"}
                                << QStringList{"Older.mp3", "b-newer.mp3", "only-right-1.mp3",
                                               "only-right-2.mp3", "tie.mp3"};
    }
    void filtersShowTheSameKindOfRowInBothLists()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, left);
        QFETCH(QStringList, right);
        Fixture f;
        const QStringList all1 = shown(f.list1);
        const QStringList all2 = shown(f.list2);
        const auto choose = [&] {
            if (auto* legend = f.form.findChild<QWidget*>(how))
                QTest::mouseClick(legend, Qt::LeftButton);
            else
                chooseFromMenu(f.list1, how);
        };
        choose();
        QCOMPARE(sorted(shown(f.list1)), left);
        QCOMPARE(sorted(shown(f.list2)), right);
        if (f.form.findChild<QWidget*>(how))
            choose(); // the same legend row again
        else
            chooseFromMenu(f.list2, QStringLiteral("Show all rows"));
        QCOMPARE(shown(f.list1), all1);
        QCOMPARE(shown(f.list2), all2);
    }

    void headerSortsUpDownThenBackToTheScansOrder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("up");
        QTest::newRow("names as text")
            << 0 << QStringList{"b-newer.mp3", "Older.mp3", "only-left.mp3", "same.mp3", "tie.mp3"};
        QTest::newRow("statuses") << 1
                                  << QStringList{"b-newer.mp3", "Older.mp3", "only-left.mp3",
                                                 "tie.mp3", "same.mp3"};
        QTest::newRow("sizes as numbers")
            << 2 << QStringList{"same.mp3", "tie.mp3", "Older.mp3", "only-left.mp3", "b-newer.mp3"};
    }
    void headerSortsUpDownThenBackToTheScansOrder()
    {
        QFETCH(int, column);
        QFETCH(QStringList, up);
        Fixture f;
        const QStringList scanOrder = shown(f.list1);
        const ResultStore plan = f.results;
        const auto click = [&] {
            QHeaderView* header = f.list1->horizontalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        };
        click();
        QCOMPARE(shown(f.list1), up);
        click();
        QStringList down = up;
        std::reverse(down.begin(), down.end());
        QCOMPARE(shown(f.list1), down);
        click();
        QCOMPARE(shown(f.list1), scanOrder);
        QCOMPARE(f.results.size(), plan.size());
        for (std::size_t i = 0; i < plan.size(); ++i)
            QCOMPARE(f.results[i].OpTargetPath, plan[i].OpTargetPath);
        QCOMPARE(shown(f.list2).size(), 6); // the other list as it was
    }

    void theFilenameColumnTakesTheRoomAndWidthsAndSortComeBack()
    {
        Fixture f;
        f.form.resize(800, 500);
        QHeaderView* header = f.list1->horizontalHeader();
        const int filename = header->sectionSize(0);
        const int status = header->sectionSize(1);
        const int listWidth = f.list1->width();
        f.form.resize(1400, 500);
        QTRY_VERIFY(f.list1->width() > listWidth);
        QCOMPARE(header->sectionSize(0), filename + f.list1->width() - listWidth);
        QCOMPARE(header->sectionSize(1), status);
        header->resizeSection(2, 211); // the user widens Size
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, 5)); // sorts by size
        const QStringList bySize = shown(f.list1);
        f.compare();
        QCOMPARE(shown(f.list1), bySize); // kept by the next Compare
        // And by the next start, in the same settings.
        ResultStore results;
        Form1 again(f.services, results);
        auto* list = again.findChild<QTableView*>("ListView1");
        QCOMPARE(list->horizontalHeader()->sectionSize(2), 211);
        QCOMPARE(list->horizontalHeader()->sectionSize(0), header->sectionSize(0));
        QVERIFY(list->horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(list->horizontalHeader()->sortIndicatorSection(), 2);
    }

    void selectingARowSelectsItsNamesakeInTheOtherList()
    {
        Fixture f;
        // Sorted on one side only, so the namesake sits elsewhere in the other list.
        QHeaderView* header = f.list2->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, 5));
        for (const auto& [from, to] : {std::pair{f.list1, f.list2}, {f.list2, f.list1}}) {
            for (const QString name : {"Older.mp3", "tie.mp3"}) {
                const int row = static_cast<int>(shown(from).indexOf(name));
                from->setCurrentIndex(from->model()->index(row, 0));
                QCOMPARE(to->currentIndex().data().toString(), name);
                QVERIFY(to->selectionModel()->isRowSelected(to->currentIndex().row()));
            }
        }
        const int alone = static_cast<int>(shown(f.list1).indexOf("only-left.mp3"));
        f.list1->setCurrentIndex(f.list1->model()->index(alone, 0));
        QCOMPARE(f.list2->currentIndex().data().toString(), QStringLiteral("tie.mp3"));
    }
};

QTEST_MAIN(Form1ListsTest)
#include "form1_lists_test.moc"
