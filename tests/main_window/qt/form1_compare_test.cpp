// Compare through the real main window, offscreen, and the headless tool beside it.
#include "main_window/qt/form1.h"

#include "fakes/form_helpers.h"
#include "fakes/memory_settings_store.h"
#include "fakes/scratch_mount.h"
#include "fakes/temp_tree.h"
#include "fakes/test_services.h"
#include "main_window/qt/result_rows_model.h"
#include "platform/posix_file_ops.h"
#include "platform/qt/picture_button.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <QTableView>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace parlowen;
using parlowen::testing::child;

namespace {

constexpr std::int64_t kEarly = 1'500'000'000;
constexpr std::int64_t kLate = 1'600'000'000;

struct Fixture : testing::TestServices
{
    ResultStore results;
    testing::TempTree left;
    testing::TempTree right;

    Fixture()
    {
        left.file("same.mp3", "same", kEarly);
        right.file("same.mp3", "same", kLate);
        left.file("Album/newer.mp3", "left is longer", kLate);
        right.file("Album/newer.mp3", "right", kEarly);
        left.file("Album/only-left.mp3", "l");
        right.file("only-right.mp3", "r");
    }
};

void setFolders(Form1& form, const QString& left, const QString& right)
{
    child<QComboBox>(form, "Combo1")->setEditText(left);
    child<QComboBox>(form, "Combo2")->setEditText(right);
}

// Compare, and wait for its scans to end.
void clickCompare(Form1& form)
{
    QTest::mouseClick(child<PictureButton>(form, "Check1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.scanning(), 20000);
}

// Every cell of a list as the window shows it, icon number last.
QList<QStringList> shownRows(const QAbstractItemModel* model)
{
    QList<QStringList> rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << model->index(r, c).data().toString();
        rows << cells;
    }
    return rows;
}

QString name(const std::string& path)
{
    return QString::fromStdString(path);
}

} // namespace

class Form1CompareTest : public QObject
{
    Q_OBJECT
private slots:
    void scanRowsShowAsTheyComeAndStatusesWhenTheCompareEnds()
    {
        GrowingRows live;
        ResultRowsModel model;
        model.follow(&live);
        const auto found = [&live](std::vector<std::string> names) {
            std::vector<ResultRow> batch;
            for (auto& name : names)
                batch.push_back({.relativeName = std::move(name), .size = 7, .hasSize = true});
            std::thread([&] { live.append(batch); }).join(); // as the scan's thread adds them
        };
        found({"Björk/Jóga.mp3", "Björk/Hunter.mp3"});
        QCOMPARE(model.rowCount(), 0); // until the window looks again
        model.catchUp();
        QCOMPARE(model.rowCount(), 2);
        found({"Sigur Rós/Hoppípolla.mp3"});
        model.catchUp();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("Sigur Rós/Hoppípolla.mp3"));
        QCOMPARE(model.index(2, 2).data().toString(), QStringLiteral("7 bytes"));
        QCOMPARE(model.index(2, 1).data().toString(), QString()); // no status yet
        std::string lastClicked;
        model.toggleCheckMarks({0}, 0, lastClicked); // no check marks while scanning
        QVERIFY(lastClicked.empty());

        live.scanned()[2].status = RowStatus::NotFound;
        model.reset(std::move(live.scanned()));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(2, 1).data().toString(), QStringLiteral("Not found"));
    }

    void rowsShowWhileTheOtherSideIsStillBeingScanned()
    {
        testing::ScratchMount player(testing::ScratchMount::Exfat, "16M");
        if (!player.refused().empty())
            QSKIP(player.refused().c_str());
        const pid_t daemon = player.daemonPid();
        if (daemon < 0)
            QSKIP("the exFAT daemon was not found");
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        setFolders(form, name(player.root()), name(f.left.root()));
        // The player hangs until the daemon goes on; the PC side is scanned meanwhile.
        ::kill(daemon, SIGSTOP);
        struct Resume
        {
            pid_t pid;
            ~Resume() { ::kill(pid, SIGCONT); }
        } resume{daemon};
        QTest::mouseClick(child<PictureButton>(form, "Check1"), Qt::LeftButton);
        QTRY_COMPARE(form.rightRows().rowCount(), 3);
        QVERIFY(form.scanning());
        const auto& rows = form.rightRows();
        QStringList names;
        for (const QStringList& cells : shownRows(&rows)) {
            names << cells[0];
            QCOMPARE(cells[1], QString()); // no status while scanning
        }
        names.sort();
        QCOMPARE(names, (QStringList{"Album/newer.mp3", "Album/only-left.mp3", "same.mp3"}));
        // A sort chosen meanwhile shows the rows found so far, and is kept once it ends.
        auto* list = child<QTableView>(form, "ListView2");
        QHeaderView* header = list->horizontalHeader();
        for (int click = 0; click < 2; ++click)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(0) + 5, 5));
        QVERIFY(form.scanning());
        QCOMPARE(list->model()->rowCount(), 3);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("same.mp3"));
        ::kill(daemon, SIGCONT);
        QTRY_VERIFY_WITH_TIMEOUT(!form.scanning(), 20000);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("same.mp3"));
        QCOMPARE(list->model()->index(2, 1).data().toString(), QStringLiteral("Not found"));
    }

    void compareFillsBothListsWithStatusesAndIcons()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        setFolders(form, name(f.left.root() + "/"), name(f.right.root()));
        clickCompare(form);
        QVERIFY(f.messages.shown.empty());
        // One trailing "/" went, through the box's change handling.
        QCOMPARE(child<QComboBox>(form, "Combo1")->currentText(), name(f.left.root()));
        const auto& left = form.leftRows();
        const auto& right = form.rightRows();
        QCOMPARE(left.rowCount(), 3);
        QCOMPARE(right.rowCount(), 3);
        const auto find = [](const ResultRowsModel& model, const QString& file) {
            for (int r = 0; r < model.rowCount(); ++r) {
                if (model.index(r, 0).data().toString() == file)
                    return r;
            }
            return -1;
        };
        const auto status = [](const ResultRowsModel& model, int row) {
            return model.index(row, 1).data().toString();
        };
        const auto hasIcon = [](const ResultRowsModel& model, int row) {
            // A row without a status picture has a blank one, so names line up.
            const auto icon = model.index(row, 0).data(Qt::DecorationRole).value<QIcon>();
            return !icon.isNull() && icon.cacheKey() != ResultRowsModel::blankIcon().cacheKey();
        };
        QCOMPARE(status(left, find(left, "same.mp3")), QStringLiteral("OK"));
        QVERIFY(!hasIcon(left, find(left, "same.mp3")));
        QCOMPARE(status(left, find(left, "Album/newer.mp3")), QStringLiteral("Newer"));
        QVERIFY(hasIcon(left, find(left, "Album/newer.mp3")));
        QCOMPARE(status(right, find(right, "Album/newer.mp3")), QStringLiteral("Older"));
        QCOMPARE(status(left, find(left, "Album/only-left.mp3")), QStringLiteral("Not found"));
        QCOMPARE(status(right, find(right, "only-right.mp3")), QStringLiteral("Not found"));
        QVERIFY(hasIcon(right, find(right, "only-right.mp3")));
        QCOMPARE(left.index(find(left, "same.mp3"), 2).data().toString(),
                 QStringLiteral("4 bytes"));
        QVERIFY(!left.index(0, 3).data().toString().isEmpty());
        QCOMPARE(f.results.size(), 3u);
        QCOMPARE(f.results.back().OpTargetPath, f.left.path("only-right.mp3"));
    }

    void aRefusedCompareEmptiesListsAndPlanAndNamesTheSide()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        const std::string missing = f.right.path("missing");
        const std::string file = f.left.path("same.mp3");
        const std::string tail = "\n\nPlease make sure you have two valid folders selected.";
        for (const auto& [l, r, text] :
             {std::tuple{file, f.right.root(),
                         "The folder on the left, " + file + ", is not a folder." + tail},
              std::tuple{f.left.root(), missing,
                         "The folder on the right, " + missing + ", does not exist." + tail}}) {
            setFolders(form, name(f.left.root()), name(f.right.root()));
            clickCompare(form);
            QVERIFY(!f.results.empty());
            f.messages.shown.clear();
            setFolders(form, name(l), name(r));
            clickCompare(form);
            QCOMPARE(f.messages.shown.size(), size_t(1));
            QCOMPARE(f.messages.shown[0].title, std::string("Error"));
            QCOMPARE(f.messages.shown[0].text, text);
            QCOMPARE(form.leftRows().rowCount(), 0);
            QCOMPARE(form.rightRows().rowCount(), 0);
            QVERIFY(f.results.empty()); // Sync has no plan made for other folders
        }
    }

    void showsTheLoadingCaptionWhileScanning()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        setFolders(form, name(f.left.root()), name(f.right.root()));
        QString during;
        QTimer::singleShot(0, &form, [&] { during = form.windowTitle(); });
        clickCompare(form);
        QCOMPARE(during, QStringLiteral("Parlowen [Loading files, please wait...]"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Parlowen"));
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
    }

    void skippedEntriesShowInOneBoxLeftSideFirst()
    {
        Fixture f;
        f.left.file("bad\xff one.mp3");
        f.left.file("Bad\xfe two/a.mp3");
        f.right.file("bad\xfd three.mp3");
        Form1 form(f.services, f.results);
        setFolders(form, name(f.left.root()), name(f.right.root()));
        clickCompare(form);
        QCOMPARE(f.messages.shown.size(), size_t(1));
        QCOMPARE(f.messages.shown[0].title, std::string("Skip"));
        const QStringList lines = QString::fromStdString(f.messages.shown[0].text).split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(name(f.left.root())) &&
                lines[1].startsWith(name(f.left.root())));
        QVERIFY(lines[2].startsWith(name(f.right.root())));
        QVERIFY(lines[2].endsWith("next time you find dupes."));
        QCOMPARE(form.leftRows().rowCount(), 3);
    }

    void exitOrCloseDuringAScanEndsIt_data()
    {
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("Exit") << false;
        QTest::newRow("closing the window") << true;
    }
    void exitOrCloseDuringAScanEndsIt()
    {
        QFETCH(bool, byClosing);
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        setFolders(form, name(f.left.root()), name(f.right.root()));
        QSignalSpy exits(&form, &Form1::exitRequested);
        auto* compare = child<PictureButton>(form, "Check1");
        QTest::mouseClick(compare, Qt::LeftButton);
        QVERIFY(form.scanning());
        QTest::mouseClick(compare, Qt::LeftButton); // ignored while the scans run
        if (byClosing)
            form.close();
        else
            QTest::mouseClick(child<PictureButton>(form, "Check7"), Qt::LeftButton);
        QCOMPARE(exits.count(), byClosing ? 0 : 1);
        QTRY_VERIFY(!form.scanning());
        QCOMPARE(form.leftRows().rowCount(), 0);
        QVERIFY(f.results.empty());
    }

    void largeScanKeepsTheWindowResponsiveAndExitLeavesNoThread()
    {
        Fixture f;
        for (int i = 0; i < 3000; ++i)
            f.left.file("Album " + std::to_string(i) + "/a.mp3", "a");
        // Qt's own thread pool keeps idle threads for half a minute after any use Qt makes of
        // it; they are not ours, so only the other threads count.
        const auto threads = [] {
            int count = 0;
            for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
                std::ifstream comm(task.path() / "comm");
                std::string name;
                std::getline(comm, name);
                count += name != "Thread (pooled)";
            }
            return count;
        };
        const auto threadsBefore = threads();
        int ticks = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(1);
        QElapsedTimer ending;
        {
            Form1 form(f.services, f.results);
            form.show();
            setFolders(form, name(f.left.root()), name(f.left.root()));
            clickCompare(form);
            QVERIFY2(ticks >= 2, "the timer kept firing while both sides were scanned");
            QCOMPARE(form.leftRows().rowCount(), 3003);
            QTest::mouseClick(child<PictureButton>(form, "Check1"), Qt::LeftButton);
            QVERIFY(form.scanning());
            QTest::mouseClick(child<PictureButton>(form, "Check7"), Qt::LeftButton);
            ending.start();
            // The form goes as the program ends: its scans stop at their next folder.
        }
        QVERIFY(ending.elapsed() < 1000);
        // A joined thread may still be listed for a moment while the kernel tears it down.
        QTRY_COMPARE_WITH_TIMEOUT(threads(), threadsBefore, 200);
    }

    void headlessToolPrintsWhatTheWindowShows()
    {
        Fixture f;
        f.right.file("Tab\there.mp3", "t");
        Form1 form(f.services, f.results);
        setFolders(form, name(f.left.root()), name(f.right.root()));
        clickCompare(form);

        QProcess tool;
        tool.start(QStringLiteral(PARLOWEN_COMPARE_TOOL),
                   {name(f.left.root() + "/"), name(f.right.root())});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 1);
        const QStringList lines =
            QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QList<QStringList> left;
        QList<QStringList> right;
        QStringList ops;
        for (const QString& line : lines) {
            QStringList fields = line.split('\t');
            const QString kind = fields.takeFirst();
            if (kind == "OP")
                ops << fields.join('\t');
            else // <status> <size> <time> <icon> <name> -> the window's column order
                (kind == "L" ? left : right)
                    << QStringList{fields[4].replace("\\t", "\t"), fields[0], fields[1], fields[2]};
        }
        QCOMPARE(left, shownRows(&form.leftRows()));
        QCOMPARE(right, shownRows(&form.rightRows()));
        QCOMPARE(ops.size(), int(f.results.size()));
        const auto escaped = [](const std::string& field) {
            return name(field).replace("\\", "\\\\").replace("\t", "\\t");
        };
        for (int i = 0; i < ops.size(); ++i) {
            const auto& op = f.results[size_t(i)];
            const QStringList expected{escaped(op.OpAction),      escaped(op.OpSource),
                                       escaped(op.OpDestination), escaped(op.OpSourcePath),
                                       escaped(op.OpTargetPath),  escaped(op.OpReplacedPath)};
            QCOMPARE(ops[i], expected.join('\t'));
        }
    }

    void headlessToolExitStatus()
    {
        testing::TempTree a;
        a.file("x.mp3", "x");
        const auto run = [](const std::string& l, const std::string& r) {
            QProcess tool;
            tool.start(QStringLiteral(PARLOWEN_COMPARE_TOOL), {name(l), name(r)});
            tool.waitForFinished(20000);
            return std::pair{tool.exitCode(), QString::fromUtf8(tool.readAllStandardError())};
        };
        QCOMPARE(run(a.root(), a.root()).first, 0);
        const auto [status, errors] = run(a.root(), a.path("missing"));
        QCOMPARE(status, 2);
        QCOMPARE(errors, QStringLiteral("Error: The folder on the right, %1, does not exist.\n\n"
                                        "Please make sure you have two valid folders selected.\n")
                             .arg(name(a.path("missing"))));
        testing::TempTree empty;
        QCOMPARE(run(a.root(), empty.root()).first, 1);
    }

    void headlessApplyCarriesThePlanOut()
    {
        testing::TempTree l;
        testing::TempTree r;
        l.file("a.mp3", "newer and longer", kLate);
        r.file("a.mp3", "older", kEarly);
        l.file("Album/b.mp3", "b"); // the right side has no Album folder
        r.file("c.mp3", "c");
        const auto apply = [&] {
            QProcess tool;
            tool.start(QStringLiteral(PARLOWEN_COMPARE_TOOL),
                       {"--apply", name(l.root()), name(r.root())});
            tool.waitForFinished(20000);
            return std::pair{tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput())};
        };
        const auto [failed, output] = apply();
        QCOMPARE(failed, 3);
        const QString expected = "FAILED\t" + name(l.path("Album/b.mp3")) + "\t" +
                                 name(r.path("Album/b.mp3")) + "\tthe folder " +
                                 name(r.path("Album/")) + " does not exist on this side";
        QVERIFY2(output.startsWith(expected), qPrintable(output));
        QCOMPARE(r.read("a.mp3"), std::string("newer and longer"));
        QCOMPARE(l.read("c.mp3"), std::string("c"));
        // The fresh comparison after the run is printed: only the failed copy is left.
        QCOMPARE(output.count("\nOP\t"), 1);
        r.folder("Album");
        QCOMPARE(apply().first, 0);
        QCOMPARE(r.read("Album/b.mp3"), std::string("b"));
    }
};

QTEST_MAIN(Form1CompareTest)
#include "form1_compare_test.moc"
