// A main window over two temporary trees, driven to its Sync wizard as a user would.
#pragma once

#include "fakes/temp_tree.h"
#include "fakes/test_services.h"
#include "main_window/qt/form1.h"
#include "platform/qt/picture_button.h"
#include "sync_wizard/qt/form3.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <filesystem>
#include <map>

namespace parlowen::testing {

// The Sync wizard on the screen, or null.
inline Form3* wizardShown()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<Form3*>(window); found && found->isVisible())
            return found;
    }
    return nullptr;
}

struct SyncFixture : TestServices
{
    ResultStore results;
    TempTree left;
    TempTree right;
    Form1 form{services, results};

    SyncFixture()
    {
        form.show();
        form.findChild<QComboBox*>("Combo1")->setEditText(QString::fromStdString(left.root()));
        form.findChild<QComboBox*>("Combo2")->setEditText(QString::fromStdString(right.root()));
    }
    void press(QWidget& window, const char* button)
    {
        auto* found = window.findChild<PictureButton*>(button);
        QVERIFY(found);
        QTest::mouseClick(found, Qt::LeftButton);
    }
    void compare()
    {
        press(form, "Check1");
        QTRY_VERIFY(!form.scanning());
    }
    // Opens the wizard, once it has looked at the devices; or gets Sync's message.
    void sync()
    {
        press(form, "Check2");
        if (Form3* opened = wizardShown())
            QTRY_VERIFY(opened->devicesKnown());
    }
    std::string lastMessage() const
    {
        return messages.shown.empty()
                   ? ""
                   : messages.shown.back().title + ": " + messages.shown.back().text;
    }
};

// Every file under the root with its content, to tell that nothing was touched.
inline std::map<std::string, std::string> snapshot(const TempTree& tree)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
        if (entry.is_regular_file()) {
            const auto relative = entry.path().lexically_relative(tree.root()).string();
            files[relative] = tree.read(relative);
        }
    }
    return files;
}

inline Form3* wizard()
{
    return wizardShown();
}

} // namespace parlowen::testing
