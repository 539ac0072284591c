// The real main window, offscreen: controls, start-up from stored settings, history, layout, Exit.
#include "main_window/qt/form1.h"

#include "fakes/form_helpers.h"
#include "fakes/memory_settings_store.h"
#include "fakes/temp_tree.h"
#include "fakes/test_services.h"
#include "main_window/qt/result_rows_model.h"
#include "platform/posix_file_ops.h"
#include "platform/qt/picture_button.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace parlowen;
using parlowen::testing::child;

namespace {

struct Fixture : testing::TestServices
{
    ResultStore results;

    void store(const char* section, const char* key, const std::string& value)
    {
        settings.write("Vantrell", section, key, value);
    }
    std::string stored(const char* section, const char* key) const
    {
        return settings.read("Vantrell", section, key);
    }
};

int twips(int pixels)
{
    return pixels * 15;
}

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT
private slots:
    void startsWithItsControlsTextsAndColumns()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Parlowen"));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(child<QLabel>(form, "Label4")->text(),
                 QStringLiteral("Select MP3 Player Drive (or Folder)"));
        QCOMPARE(child<QLabel>(form, "Label5")->text(),
                 QStringLiteral("Select Local (PC) MP3 Folder"));
        for (const char* name : {"Combo1", "Combo2"}) {
            auto* combo = child<QComboBox>(form, name);
            QVERIFY(combo->isEditable());
            QCOMPARE(combo->currentText(), QString());
            QCOMPARE(combo->currentIndex(), -1);
        }
        for (const char* name : {"Image1", "Image2"}) {
            auto* image = child<QLabel>(form, name);
            QCOMPARE(image->toolTip(), QStringLiteral("Browse to Folder"));
            QCOMPARE(image->size(), QSize(16, 14));
            QVERIFY(!image->pixmap().isNull());
        }
        for (const char* name : {"ListView1", "ListView2"}) {
            auto* list = child<QTableView>(form, name);
            QCOMPARE(list->model()->rowCount(), 0);
            QCOMPARE(list->model()->columnCount(), 4);
            const QStringList expected{"Filename", "Status", "Size", "Last Modified"};
            for (int c = 0; c < 4; ++c)
                QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), expected[c]);
        }
        const auto* compare = child<PictureButton>(form, "Check1");
        QCOMPARE(compare->caption(), QStringLiteral("Compare"));
        QVERIFY(compare->toolTip().startsWith("Compare the two selected folders"));
        QCOMPARE(child<PictureButton>(form, "Check2")->caption(), QStringLiteral("Sync"));
        QVERIFY(
            child<PictureButton>(form, "Check2")->toolTip().startsWith("This wizard will safely"));
        QCOMPARE(child<PictureButton>(form, "Check7")->caption(), QStringLiteral("Exit"));
        QVERIFY(!compare->icon().isNull());
        QCOMPARE(compare->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }

    void legendListsNewerOlderNoMatchTopToBottom()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        auto* frame = child<QGroupBox>(form, "Frame1");
        QCOMPARE(frame->title(), QStringLiteral("Legend"));
        const auto* check7 = child<PictureButton>(form, "Check7");
        QCOMPARE(frame->x(), check7->x() + 1570 / 15 + 1); // 1570 twips rounds to 105 pixels
        QCOMPARE(frame->height(), check7->height() + 7);
        const char* texts[] = {"This file is newer than its match and needs to be synchronized.",
                               "This file is older than its match and needs to be synchronized.",
                               "This file does not have a match and needs to be synchronized."};
        int lastTop = -1;
        for (int i = 0; i < 3; ++i) {
            auto* label =
                child<QLabel>(form, QByteArray("Label").append(char('1' + i)).constData());
            auto* image =
                child<QLabel>(form, QByteArray("Image").append(char('3' + i)).constData());
            QCOMPARE(label->text(), QString::fromLatin1(texts[i]));
            QCOMPARE(label->y(), image->y());
            QCOMPARE(twips(image->y()), 240 + 240 * i + 75); // moved 80 down, in whole pixels
            QVERIFY(image->y() > lastTop);
            lastTop = image->y();
        }
    }

    void opensAtItsDesignedPlaceAndSizeOnFirstStart()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        QCOMPARE(form.geometry(), QRect(201, 208, 792, 489));
        // The first layout wrote the state and height.
        QCOMPARE(f.stored("Parlowen", "WindowState"), std::string("0"));
        QCOMPARE(f.stored("Parlowen", "FormHeight"),
                 std::to_string(twips(form.frameGeometry().height())));
    }

    void columnWidthsAreDesignedAtStartupThenOnlyTheFilenameFollows()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        auto* list = child<QTableView>(form, "ListView1");
        // The width at start-up is the list's width then; the columns keep their fractions.
        const double w = twips(list->width());
        const double widths[] = {w * 3 / 4 - 100, w / 4 - 100, w / 3 - 100, w / 2 - 100};
        QList<int> before;
        for (int c = 0; c < 4; ++c) {
            before << list->horizontalHeader()->sectionSize(c);
            QCOMPARE(before[c], qRound(widths[c] / 15));
        }
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int listWidth = list->width();
        const int filename = list->horizontalHeader()->sectionSize(0);
        form.resize(form.width() + 200, form.height());
        QTRY_VERIFY(twips(list->width()) > w + 1000);
        QCOMPARE(list->horizontalHeader()->sectionSize(0), filename + list->width() - listWidth);
        for (int c = 1; c < 4; ++c)
            QCOMPARE(list->horizontalHeader()->sectionSize(c), before[c]);
    }

    void resizingLaysOutAndSavesStateAndHeight()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QSize frame = form.frameGeometry().size() - form.size();
        form.resize(QSize(800, 520) - frame); // outer 12000 x 7800 twips
        QTRY_COMPARE(f.stored("Parlowen", "FormHeight"), std::string("7800"));
        QCOMPARE(f.stored("Parlowen", "WindowState"), std::string("0"));
        auto* left = child<QTableView>(form, "ListView1");
        auto* right = child<QTableView>(form, "ListView2");
        QCOMPARE(left->geometry(), QRect(8, 48, 383, 354)); // 5750 x 5305 twips, rounded
        QCOMPARE(right->x(), 400);                          // 5745 + 250 twips
        QCOMPARE(right->width(), 383);
        QCOMPARE(child<PictureButton>(form, "Check1")->y(), 410);
        QCOMPARE(child<PictureButton>(form, "Check7")->y(), 410);
        QCOMPARE(child<QGroupBox>(form, "Frame1")->y(), 402); // 6150 - 127 twips
        QCOMPARE(child<QGroupBox>(form, "Frame1")->width(), 460);
        QCOMPARE(child<QComboBox>(form, "Combo1")->width(), 363);
        QCOMPARE(child<QComboBox>(form, "Combo2")->x(), 400);
        QCOMPARE(child<QLabel>(form, "Label5")->x(), 400);
        QCOMPARE(child<QLabel>(form, "Label4")->x(), 8);
    }

    void aVeryLowWindowKeepsTheListHeights()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* list = child<QTableView>(form, "ListView1");
        const int height = list->height();
        const int frame = form.frameGeometry().height() - form.height();
        form.resize(form.width(), 100 - frame); // 1500 twips: the list height would be negative
        QTRY_COMPARE(f.stored("Parlowen", "FormHeight"), std::string("1500"));
        QCOMPARE(list->height(), height);
        QCOMPARE(child<PictureButton>(form, "Check7")->y(), -10); // 1500 - 1650 twips
    }

    void restoresHistoriesSelectionsAndHeight()
    {
        Fixture f;
        f.store("Morrowlin", "LeftCombo", "/x,/y,");
        f.store("Morrowlin", "RightCombo", "/p,");
        f.store("Parlowen", "LeftComboIndex", "1");
        f.store("Parlowen", "RightComboIndex", "0");
        f.store("Parlowen", "WindowState", "0");
        f.store("Parlowen", "FormHeight", "9000");
        Form1 form(f.services, f.results);
        auto* left = child<QComboBox>(form, "Combo1");
        auto* right = child<QComboBox>(form, "Combo2");
        QCOMPARE(left->count(), 2);
        QCOMPARE(left->currentText(), QStringLiteral("/y"));
        QCOMPARE(right->currentText(), QStringLiteral("/p"));
        QCOMPARE(form.frameGeometry().height(), 600);
        // Once shown with a frame, the outer height is still the stored one.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.frameGeometry().height(), 600);
        QCOMPARE(f.stored("Parlowen", "FormHeight"), std::string("9000"));
        QCOMPARE(f.stored("Parlowen", "LeftComboIndex"), std::string("1"));
        QCOMPARE(f.stored("Parlowen", "RightComboIndex"), std::string("0"));
    }

    void corruptSettingsStartLikeAFirstStart()
    {
        Fixture f;
        f.store("Morrowlin", "LeftCombo", "/x,");
        f.store("Parlowen", "LeftComboIndex", "seven");
        f.store("Parlowen", "RightComboIndex", "99999");
        f.store("Parlowen", "WindowState", "5");
        f.store("Parlowen", "FormHeight", "tall");
        Form1 form(f.services, f.results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(child<QComboBox>(form, "Combo1")->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(form, "Combo1")->currentText(), QString());
        QCOMPARE(form.windowState(), Qt::WindowNoState);
        QCOMPARE(form.height(), 489);
        QCOMPARE(f.stored("Parlowen", "WindowState"), std::string("0"));
    }

    void aMaximizedWindowComesBackAtItsOldHeight()
    {
        Fixture f;
        f.store("Parlowen", "WindowState", "2");
        f.store("Parlowen", "FormHeight", "6000");
        Form1 form(f.services, f.results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.isMaximized());
        // While maximized the saved height stays the one the window is restored to.
        QCOMPARE(f.stored("Parlowen", "WindowState"), std::string("2"));
        QCOMPARE(f.stored("Parlowen", "FormHeight"), std::string("6000"));
        form.showNormal();
        QTRY_COMPARE(form.frameGeometry().height(), 400);
        QTRY_COMPARE(f.stored("Parlowen", "WindowState"), std::string("0"));
        QCOMPARE(f.stored("Parlowen", "FormHeight"), std::string("6000"));
    }

    void typingStoresNothingUntilTheFoldersAreCompared()
    {
        testing::TempTree tree;
        const std::string music = tree.folder("Music/pc");
        const std::string player = tree.folder("player");
        Fixture f;
        f.store("Morrowlin", "RightCombo", "/p,");
        Form1 form(f.services, f.results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* left = child<QComboBox>(form, "Combo1");
        auto* right = child<QComboBox>(form, "Combo2");
        right->setEditText(QString::fromStdString(player));
        QTest::keyClicks(left->lineEdit(), QString::fromStdString(music));
        QCOMPARE(f.stored("Morrowlin", "LeftCombo"), std::string()); // no trail of parents
        QTest::keyClick(left->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(!form.scanning());
        QCOMPARE(f.stored("Morrowlin", "LeftCombo"), music + ",");
        QCOMPARE(f.stored("Morrowlin", "RightCombo"), "/p," + player + ",");
        QCOMPARE(left->currentText(), QString::fromStdString(music));
        QCOMPARE(right->currentText(), QString::fromStdString(player));
        QCOMPARE(f.stored("Parlowen", "LeftComboIndex"), std::to_string(left->count() - 1));
    }

    void exitRunsOnceAndSpringsBack()
    {
        Fixture f;
        Form1 form(f.services, f.results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy exits(&form, &Form1::exitRequested);
        const int writes = f.settings.writeCount();
        auto* exit = child<PictureButton>(form, "Check7");
        QTest::mouseClick(exit, Qt::LeftButton);
        QCOMPARE(exits.count(), 1);
        QVERIFY(!exit->isDown());
        QVERIFY(!exit->isChecked());
        QCOMPARE(f.settings.writeCount(), writes);
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
