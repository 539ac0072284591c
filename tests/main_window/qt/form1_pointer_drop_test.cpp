// The pointer, the browse pictures, drops and the check-mark click through the real windows.
#include "main_window/qt/form1.h"
#include "sync_wizard/qt/form3.h"

#include "fakes/form_helpers.h"
#include "fakes/temp_tree.h"
#include "fakes/test_services.h"
#include "main_window/qt/result_rows_model.h"
#include "platform/qt/picture_button.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QWindow>

#include <filesystem>
#include <memory>

using namespace parlowen;
using parlowen::testing::child;

namespace {

// A program folder holding the given cursor files, as the build places them.
struct ProgramFolder
{
    explicit ProgramFolder(std::initializer_list<const char*> files)
    {
        for (const char* file : files)
            std::filesystem::copy_file(std::string(PARLOWEN_CURSOR_DIR) + "/" + file,
                                       tree.path(file));
    }
    testing::TempTree tree;
};

void moveOver(QWidget* widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Drops the data on the widget the way the window system delivers a file manager's drag: an
// enter, then the drop, both to the window, which routes them to the widget under the pointer.
// Returns the drop's action.
Qt::DropAction drop(QWidget* target, const std::unique_ptr<QMimeData>& owned)
{
    const QMimeData* data = owned.get();
    QWindow* window = target->window()->windowHandle();
    const QPoint at = target->mapTo(target->window(), QPoint(5, 5));
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
    return event.dropAction();
}

std::unique_ptr<QMimeData> urls(const QList<QUrl>& list)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls(list);
    return data;
}

// A main window over test services, shown offscreen.
struct ShownForm : testing::TestServices
{
    ShownForm() { form.show(); }
    ResultStore results;
    Form1 form{services, results};
};

QUrl local(const std::string& path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

} // namespace

class Form1PointerDropTest : public QObject
{
    Q_OBJECT
private slots:
    void pointerFollowsTheTableWithBothFiles()
    {
        ProgramFolder folder{kHandCursor, kDropCursor};
        testing::TestServices t(folder.tree.root());
        ResultStore results;
        Form1 form(t.services, results);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The hand is loaded at start-up; the pointer itself is still the arrow.
        QCOMPARE(form.pointer().customImage, folder.tree.path(kHandCursor));
        QCOMPARE(form.pointer().mode, PointerMode::Arrow);

        moveOver(child<PictureButton>(form, "Check1"));
        QCOMPARE(form.pointer().mode, PointerMode::Custom);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form.cursor().hotSpot(), QPoint(6, 0));
        moveOver(child<QComboBox>(form, "Combo1")); // no rule: the hand stays
        QCOMPARE(form.pointer().customImage, folder.tree.path(kHandCursor));
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        moveOver(child<QTableView>(form, "ListView1")->viewport());
        QCOMPARE(form.pointer().customImage, folder.tree.path(kDropCursor));
        QCOMPARE(form.cursor().hotSpot(), QPoint(0, 0));
        moveOver(child<QLabel>(form, "Image2"));
        QCOMPARE(form.pointer().customImage, folder.tree.path(kHandCursor));
        moveOver(&form);
        QCOMPARE(form.pointer().mode, PointerMode::Arrow);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);

        ResultRow row;
        row.relativeName = "a.mp3";
        form.leftRows().reset({row});
        moveOver(child<QTableView>(form, "ListView1")->viewport());
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        moveOver(child<QTableView>(form, "ListView2")->viewport());
        QCOMPARE(form.pointer().customImage, folder.tree.path(kDropCursor));
        QVERIFY(t.messages.shown.empty());
    }

    void missingFilesAreNoErrorAndAnAddedFileIsUsed()
    {
        ProgramFolder folder{kDropCursor};
        testing::TestServices t(folder.tree.root());
        ResultStore results;
        Form1 form(t.services, results);
        moveOver(child<PictureButton>(form, "Check2"));
        QCOMPARE(form.pointer().mode, PointerMode::Custom);
        QCOMPARE(form.pointer().customImage, std::string());
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor); // an empty custom image
        moveOver(child<QTableView>(form, "ListView1")->viewport());
        moveOver(child<PictureButton>(form, "Check2"));
        QCOMPARE(form.pointer().customImage, folder.tree.path(kDropCursor)); // on a button
        std::filesystem::copy_file(std::string(PARLOWEN_CURSOR_DIR) + "/" + kHandCursor,
                                   folder.tree.path(kHandCursor));
        moveOver(child<PictureButton>(form, "Check2"));
        QCOMPARE(form.pointer().customImage, folder.tree.path(kHandCursor));
        QVERIFY(t.messages.shown.empty());
    }

    void wizardShowsTheHandOverItsButtonsOnly()
    {
        ProgramFolder folder{kHandCursor};
        testing::TestServices t(folder.tree.root());
        Form3 wizard(t.services, {{"/l/a", "/r/", "/l/a", "/r/a", "", "copied to", {}, {}, {}}});
        wizard.setAttribute(Qt::WA_DeleteOnClose, false);
        QCOMPARE(wizard.pointer().mode, PointerMode::Arrow);
        moveOver(child<PictureButton>(wizard, "Check4"));
        QCOMPARE(wizard.cursor().shape(), Qt::BitmapCursor);
        moveOver(child<QTreeView>(wizard, "ListView1")->viewport()); // no rule: the hand stays
        QCOMPARE(wizard.cursor().shape(), Qt::BitmapCursor);
        moveOver(&wizard);
        QCOMPARE(wizard.cursor().shape(), Qt::ArrowCursor);
        // The file is read once, at load: removing it changes nothing.
        std::filesystem::remove(folder.tree.path(kHandCursor));
        moveOver(child<PictureButton>(wizard, "Check1"));
        QCOMPARE(wizard.cursor().shape(), Qt::BitmapCursor);
    }

    void browsePicturesFillTheirBoxes()
    {
        testing::TempTree tree;
        const std::string rock = tree.folder("Music/Rock");
        testing::TestServices t;
        t.settings.write("Vantrell", "Morrowlin", "RightCombo", "/p,");
        ResultStore results;
        Form1 form(t.services, results);
        auto* left = child<QComboBox>(form, "Combo1");
        t.folderDialog.answers = {rock, tree.path("Music"), ""};
        QTest::mouseClick(child<QLabel>(form, "Image1"), Qt::LeftButton);
        QCOMPARE(t.folderDialog.prompts.back(), std::string("Please select folder to add:"));
        QCOMPARE(left->currentText(), QString::fromStdString(rock));
        QCOMPARE(t.settings.read("Vantrell", "Morrowlin", "LeftCombo"), rock + ",");
        QCOMPARE(child<QComboBox>(form, "Combo2")->currentText(), QString()); // left alone
        // A parent browsed to is a folder used of its own.
        QTest::mouseClick(child<QLabel>(form, "Image1"), Qt::LeftButton);
        QCOMPARE(left->currentText(), QString::fromStdString(tree.path("Music")));
        const std::string both = rock + "," + tree.path("Music") + ",";
        QCOMPARE(t.settings.read("Vantrell", "Morrowlin", "LeftCombo"), both);
        // Cancelling empties the box and stores nothing.
        QTest::mouseClick(child<QLabel>(form, "Image1"), Qt::LeftButton);
        QCOMPARE(left->currentText(), QString());
        QCOMPARE(t.settings.read("Vantrell", "Morrowlin", "LeftCombo"), both);
        QCOMPARE(t.settings.read("Vantrell", "Morrowlin", "RightCombo"), std::string("/p,"));
        t.folderDialog.answers = {rock};
        QTest::mouseClick(child<QLabel>(form, "Image2"), Qt::LeftButton);
        QCOMPARE(child<QComboBox>(form, "Combo2")->currentText(), QString::fromStdString(rock));
    }

    void dropsPutFoldersIntoTheBoxAbove()
    {
        testing::TempTree tree;
        const std::string a = tree.folder("a");
        const std::string b = tree.folder("b");
        const std::string c = tree.folder("c");
        const std::string song = tree.file("Music/song.mp3", "x");
        ShownForm t;
        Form1& form = t.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* leftList = child<QTableView>(form, "ListView1")->viewport();
        auto* rightList = child<QTableView>(form, "ListView2")->viewport();
        auto* left = child<QComboBox>(form, "Combo1");
        auto* right = child<QComboBox>(form, "Combo2");

        QCOMPARE(drop(leftList, urls({local(a)})), Qt::CopyAction);
        QCOMPARE(left->currentText(), QString::fromStdString(a));
        QCOMPARE(right->currentText(), QString());
        QCOMPARE(form.leftRows().rowCount(), 0);
        QCOMPARE(drop(rightList, urls({local(song)})), Qt::CopyAction);
        QCOMPARE(right->currentText(), QString::fromStdString(tree.path("Music")));
        QVERIFY(std::filesystem::exists(song)); // nothing dragged is moved
        drop(rightList, urls({local("/song.mp3")}));
        QCOMPARE(right->currentText(), QStringLiteral("/"));

        drop(leftList, urls({local(a), local(b), local(c)}));
        QCOMPARE(left->currentText(), QString::fromStdString(c));
        // Each folder passed through the box's change handling, in order.
        QVERIFY(t.settings.read("Vantrell", "Morrowlin", "LeftCombo")
                    .ends_with(a + "," + b + "," + c + ","));
        QVERIFY(t.messages.shown.empty());
    }

    void aDropWithANonLocalItemStopsThere()
    {
        testing::TempTree tree;
        const std::string a = tree.folder("a");
        const std::string b = tree.folder("b");
        ShownForm t;
        Form1& form = t.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* leftList = child<QTableView>(form, "ListView1")->viewport();
        auto* left = child<QComboBox>(form, "Combo1");
        drop(leftList, urls({QUrl("trash:/song.mp3"), local(a)}));
        QCOMPARE(t.messages.shown.size(), size_t(1));
        QCOMPARE(t.messages.shown[0].title, std::string("Error"));
        QVERIFY(t.messages.shown[0].text.starts_with("You can not drag and drop virtual folders"));
        QCOMPARE(left->currentText(), QString());
        drop(leftList, urls({local(b), QUrl("recent:/x"), local(a)}));
        QCOMPARE(t.messages.shown.size(), size_t(2));
        QCOMPARE(left->currentText(), QString::fromStdString(b));
    }

    void plainTextIsNoDrop()
    {
        ShownForm t;
        Form1& form = t.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* leftList = child<QTableView>(form, "ListView1")->viewport();
        auto text = std::make_unique<QMimeData>();
        text->setText(QStringLiteral("/music"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, text.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(leftList, &enter);
        QVERIFY(!enter.isAccepted());
        drop(leftList, text);
        QCOMPARE(child<QComboBox>(form, "Combo1")->currentText(), QString());
        QVERIFY(t.messages.shown.empty());
        const auto files = urls({local("/tmp")});
        QDragEnterEvent fileEnter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, files.get(),
                                  Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(leftList, &fileEnter);
        QVERIFY(fileEnter.isAccepted());
        QCOMPARE(fileEnter.dropAction(), Qt::CopyAction);
    }

    void folderBoxesTakeNoDrops_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("asUrls");
        for (const char* box : {"Combo1", "Combo2"}) {
            QTest::newRow((std::string(box) + " text").c_str()) << box << false;
            QTest::newRow((std::string(box) + " urls").c_str()) << box << true;
        }
    }

    void folderBoxesTakeNoDrops()
    {
        QFETCH(QString, box);
        QFETCH(bool, asUrls);
        ShownForm t;
        QVERIFY(QTest::qWaitForWindowExposed(&t.form));
        auto* combo = child<QComboBox>(t.form, box.toLatin1().constData());
        auto data = std::make_unique<QMimeData>();
        if (asUrls)
            data->setUrls({local("/tmp")});
        else
            data->setText(QStringLiteral("file:///tmp"));
        drop(combo->lineEdit(), data);
        QCOMPARE(combo->currentText(), QString());
        QCOMPARE(t.settings.read("Vantrell", "Morrowlin", "LeftCombo"), std::string());
        QCOMPARE(t.settings.read("Vantrell", "Morrowlin", "RightCombo"), std::string());
    }

    void clickingLeftRowsTogglesTheirCheckMarks()
    {
        ShownForm t;
        Form1& form = t.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        std::vector<ResultRow> rows(2);
        rows[0].relativeName = "a.mp3";
        rows[1].relativeName = "aa.mp3";
        form.leftRows().reset(rows);
        auto* list = child<QTableView>(form, "ListView1");
        const auto click = [&](int row) {
            const QRect rect = list->visualRect(list->model()->index(row, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        };
        click(0);
        QVERIFY(!form.leftRows().rows()[0].checked);
        click(1);
        QVERIFY(!form.leftRows().rows()[1].checked);
        QVERIFY(!form.leftRows().rows()[0].checked);
        click(0); // "aa.mp3" contains "a.mp3": nothing happens
        QVERIFY(!form.leftRows().rows()[0].checked);
    }
};

QTEST_MAIN(Form1PointerDropTest)
#include "form1_pointer_drop_test.moc"
