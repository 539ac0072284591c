// Both windows from the keyboard alone, offscreen: the Tab order and what a screen reader calls
// each control, the browse pictures, Enter in a folder box, Escape in the wizard.
#include "main_window/qt/form1.h"
#include "sync_wizard/qt/form3.h"

#include "fakes/temp_tree.h"
#include "fakes/test_services.h"
#include "main_window/qt/result_rows_model.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QTest>

using namespace parlowen;

namespace {

// The control that has the focus, counting a folder box's line edit as the box.
QWidget* focused()
{
    QWidget* widget = QApplication::focusWidget();
    if (widget && qobject_cast<QComboBox*>(widget->parentWidget()))
        return widget->parentWidget();
    return widget;
}

struct Fixture : testing::TestServices
{
    ResultStore results;
    testing::TempTree left;
    testing::TempTree right;
    Form1 form{services, results};

    Fixture()
    {
        left.file("Album/a.mp3", "a");
        right.file("b.mp3", "b");
        form.findChild<QComboBox*>("Combo1")->setEditText(QString::fromStdString(left.root()));
        form.findChild<QComboBox*>("Combo2")->setEditText(QString::fromStdString(right.root()));
        form.show();
        QApplication::setActiveWindow(&form);
    }
};

} // namespace

class Form1KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    // Where the platform cannot give the open list the keyboard (a frame buffer, no window
    // manager), Enter reaches the folder box's line edit while the list is open.
    void enterInTheOpenListChoosesWithoutComparing()
    {
        Fixture f;
        auto* box = f.form.findChild<QComboBox*>("Combo1");
        box->addItem(QString::fromStdString(f.left.path("Album")));
        box->setFocus();
        box->showPopup();
        QTRY_VERIFY(box->view()->isVisible());
        box->view()->setCurrentIndex(box->model()->index(box->count() - 1, 0));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QTest::qWait(50);
        QVERIFY(!f.form.scanning());
        QCOMPARE(f.form.leftRows().rowCount(), 0);
        box->hidePopup();
        // Enter once the list is closed compares.
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(!f.form.scanning());
        QCOMPARE(f.form.leftRows().rowCount(), 1);
    }

    void tabVisitsEveryControlOnceWithItsName()
    {
        Fixture f;
        // Enter in a folder box compares; the lists are then full, and Tab must still leave them.
        f.form.findChild<QComboBox*>("Combo1")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!f.form.scanning());
        QCOMPARE(f.form.leftRows().rowCount(), 1);
        QCOMPARE(f.results.size(), std::size_t(2));

        auto* wizard = new Form3(f.services, f.results);
        wizard->show();
        const std::vector<std::tuple<QWidget*, const char*, const char*>> stops = {
            {&f.form, "Combo1", "Select MP3 Player Drive (or Folder)"},
            {&f.form, "Image1", "Browse to Folder: MP3 Player"},
            {&f.form, "Combo2", "Select Local (PC) MP3 Folder"},
            {&f.form, "Image2", "Browse to Folder: Local (PC) MP3 Folder"},
            {&f.form, "ListView1", "Files of the MP3 player folder"},
            {&f.form, "ListView2", "Files of the local (PC) MP3 folder"},
            {&f.form, "Check1", "Compare"},
            {&f.form, "Check2", "Sync"},
            {&f.form, "Check7", "Exit"},
            {wizard, "ListView1", "Planned file operations"},
            {wizard, "Check2", "OK"},
            {wizard, "Check1", "Cancel"},
            {wizard, "Check4", "Run Source"},
            {wizard, "Check5", "Run Dstn"},
        };
        QWidget* window = nullptr;
        for (const auto& [owner, name, accessibleName] : stops) {
            if (owner != window) {
                window = owner;
                QApplication::setActiveWindow(window);
                window->findChild<QWidget*>(name)->setFocus();
            } else {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QWidget* at = focused();
            QVERIFY2(at && at->objectName() == name,
                     qPrintable(QStringLiteral("expected %1, at %2")
                                    .arg(name, at ? at->objectName() : QStringLiteral("nothing"))));
            // As a screen reader reads out what has the focus.
            QCOMPARE(QAccessible::queryAccessibleInterface(at)->text(QAccessible::Name),
                     QString::fromUtf8(accessibleName));
        }
        // The browse pictures are buttons to a screen reader, and can be pressed through it.
        for (const char* name : {"Image1", "Image2"}) {
            QAccessibleInterface* picture =
                QAccessible::queryAccessibleInterface(f.form.findChild<QWidget*>(name));
            QCOMPARE(picture->role(), QAccessible::Button);
            QVERIFY(picture->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        }
        // The legend's pictures say what they stand for.
        for (const auto& [name, meaning] : {std::pair{"Image3", "Newer file"},
                                            {"Image4", "Older file"},
                                            {"Image5", "File without a match"}})
            QCOMPARE(QAccessible::queryAccessibleInterface(f.form.findChild<QWidget*>(name))
                         ->text(QAccessible::Name),
                     QString(meaning));
        // Escape leaves the wizard as Cancel does.
        QTest::keyClick(wizard, Qt::Key_Escape);
        QTRY_VERIFY(!wizard->isVisible());
    }

    void browsePicturesOpenTheDialogFromTheKeyboard()
    {
        Fixture f;
        for (const auto& [picture, box, key] : {std::tuple{"Image1", "Combo1", Qt::Key_Space},
                                                {"Image2", "Combo2", Qt::Key_Return}}) {
            f.folderDialog.answers.push_back(f.left.path("Album"));
            auto* image = f.form.findChild<QWidget*>(picture);
            image->setFocus();
            QTest::keyClick(image, key);
            QCOMPARE(f.form.findChild<QComboBox*>(box)->currentText().toStdString(),
                     f.left.path("Album"));
        }
        QCOMPARE(f.folderDialog.prompts.size(), std::size_t(2));
    }
};

QTEST_MAIN(Form1KeyboardTest)
#include "form1_keyboard_test.moc"
