// Choosing what the wizard's OK does, on the real windows offscreen: check boxes, the bulk
// choices of the context menu and Space, the live summary, folders that do not exist, and the
// log that the messages name.
#include "convert/player_rules.h"
#include "fakes/sync_fixture.h"
#include "platform/player_identity.h"
#include "sync_wizard/qt/plan_model.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QTimer>
#include <QTreeView>

using namespace parlowen;
using Fixture = parlowen::testing::SyncFixture;
using parlowen::testing::wizard;

namespace {

constexpr std::int64_t kEarly = 1'500'000'000;
constexpr std::int64_t kLate = 1'600'000'000;

// Left (the player) and right (the PC): two copies to the right, one overwrite of each side,
// and a copy into a folder the left side lacks.
void makeTrees(Fixture& f)
{
    f.left.file("Album/l1.mp3", "l1");
    f.left.file("Album/l2.mp3", "l2");
    f.left.file("same.mp3", "left is newer", kLate);
    f.right.file("same.mp3", "old", kEarly);
    f.left.file("other.mp3", "old", kEarly);
    f.right.file("other.mp3", "right is newer", kLate);
    f.left.folder("Album");
    f.right.file("New/CD1/r.mp3", "r");
}

PlanModel& plan(Form3& w)
{
    return *qobject_cast<PlanModel*>(w.findChild<QTreeView*>("ListView1")->model());
}

std::size_t chosenCount(Form3& w)
{
    const auto& chosen = plan(w).chosen();
    return static_cast<std::size_t>(std::count(chosen.begin(), chosen.end(), true));
}

// The row whose target path ends so.
int rowOf(Form3& w, const std::string& end)
{
    for (int row = 0; row < plan(w).rowCount(); ++row) {
        if (plan(w).operation(row).OpTargetPath.ends_with(end))
            return row;
    }
    return -1;
}

// Picks "Check" or "Uncheck" and an entry of the list's context menu.
void chooseFromMenu(Form3& w, const QString& verb, const QString& entry)
{
    QTimer::singleShot(0, [verb, entry] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        // Every entry of a menu has a letter of its own.
        for (QAction* sub : menu->actions()) {
            QSet<QChar> letters;
            for (QAction* action : sub->menu()->actions()) {
                const qsizetype at = action->text().indexOf('&');
                QVERIFY2(at >= 0, qPrintable(action->text()));
                letters.insert(action->text().at(at + 1).toLower());
            }
            QCOMPARE(letters.size(), sub->menu()->actions().size());
        }
        for (QAction* sub : menu->actions()) {
            if (QString(sub->text()).remove('&') != verb)
                continue;
            for (QAction* action : sub->menu()->actions()) {
                if (QString(action->text()).remove('&').startsWith(entry))
                    action->trigger();
            }
        }
        menu->close();
    });
    auto* list = w.findChild<QTreeView*>("ListView1");
    emit list->customContextMenuRequested(QPoint(5, 5));
}

} // namespace

class Form3ChoicesTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        while (Form3* open = wizard())
            delete open;
    }

    void bulkChoices_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("chosen");
        QTest::newRow("uncheck all") << "Uncheck"
                                     << "all" << 0;
        QTest::newRow("uncheck to the player") << "Uncheck"
                                               << "everything to the player" << 3;
        QTest::newRow("uncheck to the PC") << "Uncheck"
                                           << "everything to the PC" << 2;
        QTest::newRow("uncheck overwrites") << "Uncheck"
                                            << "all overwrites" << 3;
        QTest::newRow("uncheck under the row's folder") << "Uncheck"
                                                        << "everything under" << 3;
    }
    void bulkChoices()
    {
        QFETCH(QString, verb);
        QFETCH(QString, entry);
        QFETCH(int, chosen);
        Fixture f;
        makeTrees(f);
        f.compare();
        QCOMPARE(f.results.size(), std::size_t(5));
        f.sync();
        Form3& w = *wizard();
        QCOMPARE(chosenCount(w), std::size_t(5)); // all checked when it opens
        // The current row is a copy into "Album/" on the PC's side.
        w.findChild<QTreeView*>("ListView1")
            ->setCurrentIndex(plan(w).index(rowOf(w, "Album/l1.mp3"), 0));
        chooseFromMenu(w, verb, entry);
        QCOMPARE(chosenCount(w), std::size_t(chosen));
        chooseFromMenu(w, QStringLiteral("Check"), QStringLiteral("all"));
        QCOMPARE(chosenCount(w), std::size_t(5));
    }

    void okCarriesOutTheCheckedOnlyAndCountsThem()
    {
        Fixture f;
        makeTrees(f);
        f.compare();
        // Too little room on both sides for what is chosen.
        f.files.freeBytes = 1;
        f.files.allocationUnit = 1;
        f.sync();
        Form3& w = *wizard();
        auto* list = w.findChild<QTreeView*>("ListView1");
        auto* summary = w.findChild<QLabel*>("Summary");
        QVERIFY(summary->text().startsWith("Chosen 5 of 5"));
        // Space on the selected rows unchecks them: both copies into the PC's Album.
        list->selectionModel()->clearSelection();
        for (const char* name : {"Album/l1.mp3", "Album/l2.mp3"})
            list->selectionModel()->select(plan(w).index(rowOf(w, name), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(chosenCount(w), std::size_t(3));
        QVERIFY(summary->text().startsWith("Chosen 3 of 5"));
        QVERIFY(summary->text().contains("color:#c00000")); // said in red
        // The copy into the folder the player lacks is left out; the room asked about is
        // both overwrites' growth (10 + 11 bytes) on the one device, as the run attempts them.
        f.messages.choice = 1;
        f.press(w, "Check2");
        QCOMPARE(f.messages.asked.size(), std::size_t(2));
        QCOMPARE(f.messages.asked[0].title, std::string("Missing folders"));
        QVERIFY(f.messages.asked[1].text.starts_with("The copies need 21 bytes"));
        f.messages.answerYes = true; // copy anyway: it fits on the real disk
        f.press(w, "Check2");
        QTRY_VERIFY(!wizard());
        QTRY_VERIFY(!f.form.scanning());
        QVERIFY(!std::filesystem::exists(f.right.path("Album/l1.mp3")));
        QVERIFY(!std::filesystem::exists(f.left.path("New")));
        QCOMPARE(f.right.read("same.mp3"), std::string("left is newer"));
        QCOMPARE(f.left.read("other.mp3"), std::string("right is newer"));
        QCOMPARE(f.lastMessage().substr(0, 16), std::string("Congratulations:"));
        const std::string log = f.logFolder.read("sync.log");
        QVERIFY(log.find("chosen 2\n") != std::string::npos);
        QVERIFY(log.find("ended · done 2, failed 0") != std::string::npos);
        QVERIFY(log.find("done\t" + f.left.path("same.mp3")) != std::string::npos);
    }

    void okAsksAboutCopiesIntoMissingFolders_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("make the folders") << 0;
        QTest::newRow("leave those copies out") << 1;
        QTest::newRow("go back") << 2;
    }
    void okAsksAboutCopiesIntoMissingFolders()
    {
        QFETCH(int, answer);
        Fixture f;
        makeTrees(f);
        f.compare();
        f.sync();
        Form3& w = *wizard();
        const auto before = testing::snapshot(f.left);
        f.messages.choice = std::size_t(answer);
        f.press(w, "Check2");
        QCOMPARE(f.messages.asked.size(), std::size_t(1));
        QCOMPARE(f.messages.asked[0].text,
                 std::string("3 chosen copies go into 2 folders that do not exist, so they would "
                             "fail. Make the 3 missing folders, leave those 3 copies out, or go "
                             "back to the choice?"));
        QCOMPARE(f.messages.offered, (std::vector<std::string>{"&Make the 3 missing folders",
                                                               "&Leave those 3 copies out",
                                                               "&Go back"}));
        if (answer == 2) {
            QVERIFY(wizard());
            QVERIFY(testing::snapshot(f.left) == before); // nothing touched
            return;
        }
        QTRY_VERIFY(!wizard());
        QTRY_VERIFY(!f.form.scanning());
        QCOMPARE(std::filesystem::exists(f.left.path("New/CD1/r.mp3")), answer == 0);
        QCOMPARE(std::filesystem::exists(f.right.path("Album/l1.mp3")), answer == 0);
        QCOMPARE(f.right.read("same.mp3"), std::string("left is newer")); // done either way
        QCOMPARE(f.lastMessage().substr(0, 16), std::string("Congratulations:"));
    }

    void nothingCheckedSaysSoAndTouchesNothing()
    {
        Fixture f;
        makeTrees(f);
        f.compare();
        f.sync();
        Form3& w = *wizard();
        plan(w).choose(Group::All, false, {});
        const auto before = testing::snapshot(f.left);
        f.press(w, "Check2");
        QVERIFY(wizard());
        QCOMPARE(f.messages.shown.back().text,
                 std::string("No operation is checked, so there is nothing to carry out."));
        QVERIFY(testing::snapshot(f.left) == before);
    }

    void missingFoldersAreMarkedAndMadeOnlyWhenAsked()
    {
        Fixture f;
        makeTrees(f);
        f.compare();
        f.sync();
        Form3& w = *wizard();
        const int marked = rowOf(w, "New/CD1/r.mp3");
        QVERIFY(plan(w).index(marked, PlanModel::Destination).data(Qt::DecorationRole).isValid());
        QVERIFY(!plan(w)
                     .index(rowOf(w, "same.mp3"), PlanModel::Destination)
                     .data(Qt::DecorationRole)
                     .isValid());
        // Each row's tooltip: the whole target and the size, and a folder that is missing.
        QCOMPARE(plan(w).index(marked, PlanModel::Destination).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Copies to %1 (1 bytes)\nThe folder %2 does not exist on this side")
                     .arg(QString::fromStdString(f.left.path("New/CD1/r.mp3")),
                          QString::fromStdString(f.left.path("New/CD1/"))));
        QVERIFY(
            w.findChild<QLabel*>("Summary")->text().contains("3 into folders that do not exist"));
        auto* make = w.findChild<QCheckBox*>("CreateFolders");
        QVERIFY(make->isVisible() && !make->isChecked());
        QCOMPARE(make->text(), QStringLiteral("Create the 3 missing &folders")); // New/ too
        make->setChecked(true);
        f.press(w, "Check2");
        QTRY_VERIFY(!wizard());
        QTRY_VERIFY(!f.form.scanning());
        QCOMPARE(f.left.read("New/CD1/r.mp3"), std::string("r"));
        QCOMPARE(f.right.read("Album/l1.mp3"), std::string("l1"));
        // Each once, parents first, in plan order.
        QCOMPARE(f.files.madeFolders, (std::vector<std::string>{"Album", "New", "CD1"}));
        QCOMPARE(f.lastMessage().substr(0, 16), std::string("Congratulations:"));
    }

    // "Sync this playlist" from the list's menu: the playlist's row and its songs' copies only.
    void checkOnlyThisPlaylistAndItsSongs()
    {
        testing::TempTree config;
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.root()));
        Fixture f;
        QVERIFY(!saveRule(playerRulesPath(), playerIdentity(f.left.root()).id,
                          {.playlists = true}));
        f.right.file("A/one.mp3", "1");
        f.right.file("A/two.mp3", "2");
        f.right.file("B/three.mp3", "3");
        f.right.file("A/mix.m3u8", "one.mp3\n../B/three.mp3\n");
        f.left.folder("A");
        f.left.folder("B");
        f.compare();
        QCOMPARE(f.results.size(), std::size_t(4));
        f.sync();
        Form3& w = *wizard();
        w.findChild<QTreeView*>("ListView1")
            ->setCurrentIndex(plan(w).index(rowOf(w, "A/mix.m3u8"), 0));
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : menu->actions()) {
                if (action->text() == QStringLiteral("Check only this &playlist and its songs"))
                    action->trigger();
            }
            menu->close();
        });
        emit w.findChild<QTreeView*>("ListView1")->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(chosenCount(w), std::size_t(3));
        QVERIFY(!plan(w).chosen()[static_cast<std::size_t>(rowOf(w, "A/two.mp3"))]);
        qunsetenv("XDG_CONFIG_HOME");
    }
};

QTEST_MAIN(Form3ChoicesTest)
#include "form3_choices_test.moc"
