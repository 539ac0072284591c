// The main window with a player that speaks MTP (in memory), offscreen: the player offered in
// the left box's list, its rows shown while it is scanned, its address kept in the history.
#include "main_window/qt/form1.h"

#include "fakes/form_helpers.h"
#include "fakes/memory_mtp_device.h"
#include "fakes/sync_fixture.h"
#include "fakes/test_services.h"
#include "main_window/qt/result_rows_model.h"
#include "main_window/settings_keys.h"
#include "platform/qt/picture_button.h"
#include "sync_wizard/qt/plan_model.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTreeView>

using namespace parlowen;
using parlowen::testing::child;

namespace {

const QString kStorage = QStringLiteral("mtp://Parlowen_Fake_Player_1/Internal storage");

struct Fixture : testing::TestServices
{
    ResultStore results;
    testing::TempTree pc;
    std::shared_ptr<MemoryMtpDevice> player = std::make_shared<MemoryMtpDevice>();
    MemoryMtpDevices devices;

    Fixture()
    {
        for (int folder = 0; folder < 10; ++folder)
            player->add("Music/Album " + std::to_string(folder) + "/Песня.mp3", "song", 1'600'000'000);
        pc.file("Album 0/Песня.mp3", "song", 1'500'000'000);
        devices.attach(player);
        devices.journalPath = logFolder.path("uploads");
        services.devices = &devices;
    }
};

void compare(Form1& form, const QString& left, const QString& right)
{
    child<QComboBox>(form, "Combo1")->setEditText(left);
    child<QComboBox>(form, "Combo2")->setEditText(right);
    QTest::mouseClick(child<PictureButton>(form, "Check1"), Qt::LeftButton);
}

// Compares the player's music with the PC's and opens the wizard, once it has looked.
void compareAndSync(Form1& form, const Fixture& f, Form3*& wizard)
{
    compare(form, kStorage + "/Music", QString::fromStdString(f.pc.root()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.scanning(), 20000);
    QTest::mouseClick(child<PictureButton>(form, "Check2"), Qt::LeftButton);
    wizard = testing::wizardShown();
    QVERIFY(wizard);
    QTRY_VERIFY(wizard->devicesKnown());
}

} // namespace

class Form1DeviceTest : public QObject
{
    Q_OBJECT
private slots:
    void aPlayerIsOfferedScannedRowByRowAndKept()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        auto* box = child<QComboBox>(form, "Combo1");
        QTRY_VERIFY(box->findText(kStorage) >= 0);
        f.player->quirks.perRequest = std::chrono::milliseconds(40);
        compare(form, kStorage + "/Music", QString::fromStdString(f.pc.root()));
        // Rows come folder by folder while the player is still being listed.
        QTRY_VERIFY(form.leftRows().rowCount() > 0);
        QVERIFY(form.scanning());
        QVERIFY(form.leftRows().rowCount() < 10);
        QTRY_VERIFY_WITH_TIMEOUT(!form.scanning(), 20000);
        QCOMPARE(form.leftRows().rowCount(), 10);
        QCOMPARE(f.results.size(), std::size_t(9));
        QVERIFY(f.messages.shown.empty());
        // The history keeps the address used, above the player offered.
        const std::string history =
            f.settings.read(keys::kApplication, keys::kHistorySection, keys::kLeftCombo);
        QCOMPARE(history, (kStorage + "/Music,").toStdString());
        QCOMPARE(box->itemText(0), kStorage + "/Music");
        QCOMPARE(box->itemText(1), kStorage);
    }

    void theFileManagersPathOfAPlayerReadsAsItsAddress()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        compare(form,
                "/run/user/1000/gvfs/mtp:host=Parlowen_Fake_Player_1/Internal storage/Music/",
                QString::fromStdString(f.pc.root()));
        QTRY_VERIFY_WITH_TIMEOUT(!form.scanning(), 20000);
        QCOMPARE(child<QComboBox>(form, "Combo1")->currentText(), kStorage + "/Music");
        QCOMPARE(form.leftRows().rowCount(), 10);
    }

    void aPlayerHeldByTheFileManagerIsNamedWithWhatToDo()
    {
        Fixture f;
        f.player->quirks.busy = true;
        Form1 form(f.services, f.results);
        form.show();
        compare(form, kStorage + "/Music", QString::fromStdString(f.pc.root()));
        QTRY_VERIFY_WITH_TIMEOUT(!form.scanning(), 20000);
        QCOMPARE(f.messages.shown.size(), std::size_t(1));
        const std::string& text = f.messages.shown[0].text;
        QVERIFY2(text.find("Parlowen_Fake_Player_1 could not be opened: another program holds "
                           "it. If your file manager shows it, eject it there") !=
                     std::string::npos,
                 text.c_str());
        QCOMPARE(form.leftRows().rowCount(), 0);
    }

    void theWizardSaysWhereAnOverwriteRemovesTheOldCopyFirst_data()
    {
        QTest::addColumn<bool>("renames");
        QTest::newRow("renames") << true;
        QTest::newRow("cannot rename") << false;
    }
    void theWizardSaysWhereAnOverwriteRemovesTheOldCopyFirst()
    {
        QFETCH(bool, renames);
        Fixture f;
        f.player->quirks.noRename = !renames;
        if (!renames)
            f.player->rename(1, "probe.mp3"); // found out, as at its first refusal
        f.pc.file("Album 1/Песня.mp3", "a newer song", 1'700'000'000);
        Form1 form(f.services, f.results);
        form.show();
        Form3* w = nullptr;
        compareAndSync(form, f, w);
        QVERIFY(w);
        auto* summary = child<QLabel>(*w, "Summary");
        QVERIFY(summary->isVisible());
        QCOMPARE(summary->text().contains("cannot rename files"), !renames);
        w->close();
    }

    void okCopiesBothWaysWithThePlayer()
    {
        Fixture f;
        f.pc.file("Only on PC/x.mp3", "pc", 1'500'000'000);
        Form1 form(f.services, f.results);
        form.show();
        Form3* w = nullptr;
        compareAndSync(form, f, w);
        QVERIFY(w);
        f.messages.choice = 0; // make the missing folders, on both sides
        QTest::mouseClick(child<PictureButton>(*w, "Check2"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!testing::wizardShown(), 20000);
        QTRY_VERIFY(!form.scanning());
        QVERIFY2(f.messages.shown.back().title == "Congratulations",
                 f.messages.shown.back().text.c_str());
        for (int folder = 1; folder < 10; ++folder)
            QCOMPARE(f.pc.read("Album " + std::to_string(folder) + "/Песня.mp3"),
                     std::string("song"));
        QCOMPARE(f.player->bytesOf("Music/Only on PC/x.mp3"), std::string("pc"));
        QVERIFY(f.results.empty()); // the Compare after the Sync found nothing to do
    }
};

QTEST_MAIN(Form1DeviceTest)
#include "form1_device_test.moc"
