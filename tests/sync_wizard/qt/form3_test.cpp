// Sync through the real windows, offscreen: the two messages, the wizard, its Run buttons,
// Cancel and close, and OK carrying the plan out.
#include "main_window/qt/form1.h"
#include "sync_wizard/qt/form3.h"

#include "fakes/form_helpers.h"
#include "fakes/memory_settings_store.h"
#include "fakes/sync_fixture.h"
#include "fakes/temp_tree.h"
#include "fakes/test_services.h"
#include "main_window/qt/result_rows_model.h"
#include "platform/posix_file_ops.h"
#include "platform/qt/picture_button.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <QTreeView>

#include <filesystem>

using namespace parlowen;
using parlowen::testing::child;
using parlowen::testing::snapshot;
using parlowen::testing::wizard;
using Fixture = parlowen::testing::SyncFixture;

namespace {

constexpr std::int64_t kEarly = 1'500'000'000;
constexpr std::int64_t kLate = 1'600'000'000;
const QColor kGrey(192, 192, 192);

QColor caption(Form3& w, const char* button)
{
    return w.findChild<PictureButton*>(button)->captionColor();
}

void clickRow(Form3& w, int row)
{
    auto* list = w.findChild<QTreeView*>("ListView1");
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

// A 4 MiB overwrite on a slow device (small chunks, each taking a while), under way.
Form3* startSlowOverwrite(Fixture& f)
{
    f.left.file("big.mp3", std::string(4 << 20, 'n'), kLate);
    f.right.file("big.mp3", "old", kEarly);
    f.compare();
    f.sync();
    Form3* w = wizard();
    f.files.chunkError = [](std::size_t) { return 0; };
    f.files.afterChunk = [](std::size_t) { QThread::msleep(10); };
    f.press(*w, "Check2");
    const bool underWay = QTest::qWaitFor(
        [w] { return w->findChild<QProgressBar*>("CopyProgress")->value() > 0; }, 5000);
    return underWay ? w : nullptr;
}

class Form3Test : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        while (Form3* open = wizard())
            delete open;
    }

    void syncBeforeAnyCompareSaysSo()
    {
        Fixture f;
        f.sync();
        QCOMPARE(f.lastMessage(),
                 std::string("Error: Nothing to synchronize. You need to select two "
                             "folders and generate results by clicking 'Compare'."));
        QVERIFY(!wizard());
        QVERIFY(f.form.isVisible());
    }

    void syncAfterAnIdenticalCompareNamesBothFolders()
    {
        Fixture f;
        f.left.file("a.mp3", "same");
        f.right.file("a.mp3", "same");
        f.compare();
        f.sync();
        QCOMPARE(f.lastMessage(), "Error: No need to synchronize. " + f.left.root() + " & " +
                                      f.right.root() + " are identical.");
        QVERIFY(!wizard());
    }

    void syncOpensTheWizardOverTheMainWindow()
    {
        Fixture f;
        f.left.file("Album/a.mp3", "a");
        f.left.file("b.mp3", "b");
        f.compare();
        const QRect where = f.form.geometry();
        f.sync();
        Form3* w = wizard();
        QVERIFY(w);
        QVERIFY(!f.form.isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Sync Wizard"));
        QCOMPARE(w->size(), where.size());
        auto* list = w->findChild<QTreeView*>("ListView1");
        QCOMPARE(list->model()->columnCount(), 3);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Source"));
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Action"));
        QCOMPARE(list->model()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Destination"));
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->selectionModel()->selectedRows().first().row(), 0);
        QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("copied to"));
        QCOMPARE(list->model()->index(0, 2).data().toString(),
                 QString::fromStdString(f.right.root() + "/"));
        QCOMPARE(w->findChild<QGroupBox*>("Frame1")->title(), QStringLiteral("Instruction"));
        QVERIFY(w->findChild<QLabel*>("Label1")->text().startsWith("Please confirm the following"));
        for (const char* name : {"Check2", "Check1", "Check4", "Check5"})
            QVERIFY(w->findChild<PictureButton*>(name));
    }

    void runButtonsFollowTheClickedRow()
    {
        Fixture f;
        f.left.file("a.mp3", "left, longer", kLate);
        f.right.file("a.mp3", "right", kEarly);
        f.left.file("b.mp3", "b");
        f.compare();
        f.sync();
        Form3* w = wizard();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // Which row is which follows the listing order of the left folder.
        auto* list = w->findChild<QTreeView*>("ListView1");
        const int overwriteRow =
            list->model()->index(0, 1).data().toString() == "overwrites" ? 0 : 1;
        const int copyRow = 1 - overwriteRow;

        clickRow(*w, copyRow);
        QCOMPARE(caption(*w, "Check4"), QColor(Qt::black));
        QCOMPARE(caption(*w, "Check5"), kGrey);
        f.press(*w, "Check5");
        QCOMPARE(
            f.lastMessage(),
            std::string(": The destination item is a folder, not a file. You can not run this."));
        QVERIFY(f.shell.opened.empty());
        f.press(*w, "Check4");
        QCOMPARE(f.shell.opened, std::vector<std::string>{f.left.path("b.mp3")});

        clickRow(*w, overwriteRow);
        QCOMPARE(caption(*w, "Check4"), QColor(Qt::black));
        QCOMPARE(caption(*w, "Check5"), QColor(Qt::black));
        f.press(*w, "Check5");
        QCOMPARE(f.shell.opened.back(), f.right.path("a.mp3"));
        // No program for the file's type: said, not silent.
        f.shell.programFound = false;
        f.press(*w, "Check4");
        QVERIFY(f.lastMessage().starts_with(": No program on this computer opens " +
                                            f.left.path("a.mp3")));
    }

    void cancelAndCloseLeaveEveryFileUntouched()
    {
        Fixture f;
        f.left.file("a.mp3", "left, longer", kLate);
        f.right.file("a.mp3", "right", kEarly);
        f.left.file("b.mp3", "b");
        f.compare();
        const auto leftBefore = snapshot(f.left);
        const auto rightBefore = snapshot(f.right);
        for (const bool useCancel : {true, false}) {
            f.sync();
            Form3* w = wizard();
            QVERIFY(w);
            QCOMPARE(w->findChild<QTreeView*>("ListView1")->model()->columnCount(), 3);
            if (useCancel)
                f.press(*w, "Check1");
            else
                w->close();
            QTRY_VERIFY(!wizard());
            QTRY_VERIFY(!f.form.scanning()); // the Compare after OK
            QVERIFY(f.form.isVisible());
            QCOMPARE(snapshot(f.left), leftBefore);
            QCOMPARE(snapshot(f.right), rightBefore);
            QCOMPARE(f.results.size(), size_t(2)); // the plan stays for the next Sync
        }
    }

    void okCarriesThePlanOutRefreshesAndCongratulates()
    {
        Fixture f;
        for (const char* name : {"1.mp3", "2.mp3", "4.mp3"}) {
            f.left.file(name, std::string("newer, longer ") + name, kLate);
            f.right.file(name, "older", kEarly);
        }
        f.right.file("Album/3.mp3", "only right");
        f.left.folder("Album");
        f.compare();
        QCOMPARE(f.results.size(), size_t(4));
        f.sync();
        Form3* w = wizard();
        QVERIFY(w);
        f.press(*w, "Check2");
        QTRY_VERIFY(!wizard());
        QTRY_VERIFY(!f.form.scanning()); // the Compare after OK
        QVERIFY(f.form.isVisible());
        QCOMPARE(f.lastMessage(), "Congratulations: " + f.left.root() + " & " + f.right.root() +
                                      " have been synchronized.");
        QCOMPARE(snapshot(f.left), snapshot(f.right));
        QVERIFY(f.results.empty());
        const auto& rows = f.form.leftRows();
        QCOMPARE(rows.rowCount(), 4);
        for (int r = 0; r < rows.rowCount(); ++r)
            QCOMPARE(rows.index(r, 1).data().toString(), QStringLiteral("OK"));
    }

    void okReportsFailuresInsteadOfCongratulations()
    {
        Fixture f;
        f.left.file("a.mp3", "a");
        f.left.file("b.mp3", "b");
        f.compare();
        f.sync();
        std::filesystem::remove(f.left.path("a.mp3")); // gone since Compare
        f.press(*wizard(), "Check2");
        QTRY_VERIFY(!wizard());
        QTRY_VERIFY(!f.form.scanning()); // the Compare after OK
        QCOMPARE(f.messages.shown.back().title, std::string("Error"));
        const std::string& text = f.messages.shown.back().text;
        QVERIFY(text.starts_with("1 of 2 operations was carried out; 1 could not be:"));
        QVERIFY(text.find(f.left.path("a.mp3") + " -> " + f.right.path("a.mp3")) !=
                std::string::npos);
        QVERIFY(!std::filesystem::exists(f.right.path("a.mp3")));
        QCOMPARE(f.right.read("b.mp3"), std::string("b"));
        QVERIFY(f.results.empty()); // the fresh comparison: the source is gone
    }

    void roomQuestionAnsweredNoTouchesNothing()
    {
        Fixture f;
        f.left.file("a.mp3", "aaaa");
        f.compare();
        // The room as the wizard reads it when it opens, off the window's thread.
        f.files.freeBytes = 1;
        f.files.allocationUnit = 1;
        f.sync();
        f.press(*wizard(), "Check2");
        QCOMPARE(f.messages.asked.size(), size_t(1));
        QVERIFY(f.messages.asked[0].text.starts_with("The copies need 4 bytes on "));
        QVERIFY(f.messages.asked[0].text.find(", which has 1 bytes free. Copy anyway?") !=
                std::string::npos);
        QVERIFY(wizard());
        QVERIFY(snapshot(f.right).empty());
        f.messages.answerYes = true;
        f.press(*wizard(), "Check2");
        QTRY_VERIFY(!wizard());
        QTRY_VERIFY(!f.form.scanning()); // the Compare after OK
        QCOMPARE(f.right.read("a.mp3"), std::string("aaaa"));
    }

    void stopMidFileKeepsWhatIsDoneAndTheOldTarget_data()
    {
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("Stop") << false;
        QTest::newRow("closing the wizard") << true;
    }
    void stopMidFileKeepsWhatIsDoneAndTheOldTarget()
    {
        QFETCH(bool, byClosing);
        Fixture f;
        const std::string big(4 << 20, 'n');
        f.left.file("big.mp3", big, kLate);
        f.right.file("big.mp3", "old", kEarly);
        for (const char* name : {"a.mp3", "c.mp3"})
            f.left.file(name, name);
        f.compare();
        QCOMPARE(f.results.size(), size_t(3));
        f.sync();
        Form3* w = wizard();
        // A slow device: small chunks, each taking a while.
        f.files.chunkError = [](std::size_t) { return 0; };
        f.files.afterChunk = [](std::size_t) { QThread::msleep(10); };
        f.press(*w, "Check2");
        auto* line = w->findChild<QLabel*>("CopyLine");
        auto* file = w->findChild<QLabel*>("CopyFile");
        auto* bar = w->findChild<QProgressBar*>("CopyProgress");
        QTRY_COMPARE(file->text().toStdString(), f.left.path("big.mp3"));
        QTRY_VERIFY(bar->value() > 0);
        QVERIFY(line->isVisible() && !w->findChild<QLabel*>("Label1")->isVisible());
        QVERIFY(line->text().startsWith("Copying "));
        QCOMPARE(w->findChild<PictureButton*>("Check1")->caption(), QStringLiteral("Stop"));
        f.press(*w, "Check2"); // does nothing while copying
        if (byClosing) {
            w->close();
        } else {
            auto* stop = w->findChild<PictureButton*>("Check1");
            QTest::mouseClick(stop, Qt::LeftButton);
            QVERIFY(!stop->isEnabled()); // once is enough; the line says what it waits for
        }
        QTRY_VERIFY(!wizard());
        QTRY_VERIFY(!f.form.scanning()); // the Compare after OK
        QVERIFY(f.form.isVisible());
        QCOMPARE(f.messages.shown.back().title, std::string("Sync stopped"));
        const auto& text = f.messages.shown.back().text;
        QVERIFY(text.starts_with("Stopped after ") &&
                text.find(" of 3 operations.") != std::string::npos);
        QVERIFY(text.ends_with("Every operation of this run is listed in " +
                               f.logFolder.path("sync.log") + "."));
        // What was done stays done, the rest is untouched; no temporary is left.
        QCOMPARE(f.right.read("big.mp3"), std::string("old"));
        const auto right = snapshot(f.right);
        QCOMPARE(right.size(), std::size_t(text[14] - '0' + 1));
        for (const auto& [name, content] : right)
            QVERIFY(name == "big.mp3" || content == name);
    }

    void endingTheProgramStopsTheCopyFirstAndSaysNothing()
    {
        Fixture f;
        Form3* w = startSlowOverwrite(f);
        QVERIFY(w);
        const std::size_t shown = f.messages.shown.size();
        w->endProgram(); // what SIGTERM does while a copy runs
        QTRY_VERIFY(!w->copying());
        QCOMPARE(f.messages.shown.size(), shown);
        QVERIFY(!f.form.isVisible());
        QCOMPARE(f.right.read("big.mp3"), std::string("old"));
        QCOMPARE(testing::leftoverTemporaries(f.right.root()), 0);
    }

    void deletingTheWizardMidCopyStopsTheCopyBeforeItsPlanGoes()
    {
        Fixture f;
        Form3* w = startSlowOverwrite(f);
        QVERIFY(w);
        delete w; // as a parent window's cleanup does
        QCOMPARE(f.right.read("big.mp3"), std::string("old"));
        QCOMPARE(testing::leftoverTemporaries(f.right.root()), 0);
    }

    void wizardLaysItselfOutOnEveryResize()
    {
        Fixture f;
        f.left.file("a.mp3", "a");
        f.compare();
        f.sync();
        Form3* w = wizard();
        QVERIFY(w);
        const QSize frame = w->frameGeometry().size() - w->size();
        auto* list = w->findChild<QTreeView*>("ListView1");
        auto* instruction = w->findChild<QGroupBox*>("Frame1");
        w->resize(QSize(800, 520) - frame);                         // outer 12000 x 7800 twips
        QTRY_COMPARE(list->width(), 773);                           // 11600 twips
        QCOMPARE(list->height(), 393);                              // 5900 twips
        QCOMPARE(w->findChild<PictureButton*>("Check2")->y(), 409); // 6130 twips
        QCOMPARE(instruction->width(), 356);                        // 5340 twips
        QCOMPARE(list->header()->sectionSize(0), 303);              // 4540 twips
        w->resize(QSize(400, 520) - frame); // 6000 twips: narrower than 6660
        QTRY_COMPARE(list->width(), 373);
        QCOMPARE(instruction->width(), 356);           // kept
        QCOMPARE(list->header()->sectionSize(0), 143); // 2140 twips
    }
};

QTEST_MAIN(Form3Test)
#include "form3_test.moc"
