// The window's Compare on two large trees: how long the event loop is held up at most.
#include "main_window/qt/form1.h"
#include "main_window/qt/result_rows_model.h"
#include "fakes/memory_settings_store.h"
#include "platform/qt/picture_button.h"
#include "platform/posix_file_ops.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

class NoMessages final : public parlowen::Messages
{
public:
    void show(const std::string&, const std::string&) override {}
    bool ask(const std::string&, const std::string&) override { return true; }
};

class NoShell final : public parlowen::Shell
{
public:
    void openFile(const std::string&) override {}
};

class NoDialog final : public parlowen::FolderDialog
{
public:
    std::string browseForFolder(const std::string&) override { return {}; }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_bench LEFT RIGHT\n");
        return 2;
    }
    parlowen::MemorySettingsStore settings;
    NoMessages messages;
    parlowen::PosixFileOps files;
    NoShell shell;
    NoDialog dialog;
    parlowen::Services services{settings, messages, files, shell, dialog, "/nonexistent"};
    parlowen::ResultStore results;
    parlowen::Form1 form(services, results);
    form.show();
    form.findChild<QComboBox*>("Combo1")->setEditText(QString::fromLocal8Bit(argv[1]));
    form.findChild<QComboBox*>("Combo2")->setEditText(QString::fromLocal8Bit(argv[2]));

    // A timer that should fire every 5 ms: the longest gap between two firings is the longest
    // time the event loop was held up.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QTimer::singleShot(100, &form, [&] {
        clock.start();
        tick.start();
        form.findChild<parlowen::PictureButton*>("Check1")->click();
        const qint64 compared = clock.elapsed();
        QTimer::singleShot(300, [&, compared] {
            std::printf("rows: %d left, %d right; plan: %zu operations\n",
                        form.leftRows().rowCount(), form.rightRows().rowCount(), results.size());
            std::printf("Compare took %lld ms; longest stall of the event loop %lld ms\n",
                        static_cast<long long>(compared), static_cast<long long>(longest));
            QApplication::quit();
        });
    });
    return QApplication::exec();
}
