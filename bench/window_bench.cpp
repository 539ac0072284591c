// The window's Compare on two large trees: how long the event loop is held up at most.
#include "fakes/memory_mtp_device.h"
#include "fakes/memory_settings_store.h"
#include "quiet_services.h"
#include "main_window/qt/form1.h"
#include "main_window/qt/result_rows_model.h"
#include "platform/posix_file_ops.h"
#include "platform/qt/picture_button.h"
#include "sync_wizard/qt/form3.h"
#include "sync_wizard/qt/plan_model.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

long peakKiB()
{
    struct rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

using parlowen::bench::NoDialog;
using parlowen::bench::NoMessages;
using parlowen::bench::NoShell;

// Milliseconds a change of the view takes, up to the lists painted again.
template <class Change> double millisecondsFor(Change change)
{
    QElapsedTimer timer;
    timer.start();
    change();
    QApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A header click (sort up, down, back), a legend row (filter and back), and a row selected
// with its namesake in the other list.
void timeViewChanges(parlowen::Form1& form)
{
    auto* list1 = form.findChild<QTableView*>("ListView1");
    auto* list2 = form.findChild<QTableView*>("ListView2");
    std::vector<double> sorts, filters, pairs;
    for (int section : {0, 0, 0, 2, 2, 2, 3, 3, 3})
        sorts.push_back(
            millisecondsFor([&] { emit list1->horizontalHeader()->sectionClicked(section); }));
    for (const char* legend : {"Label1", "Label1", "Label3", "Label3"}) {
        QWidget* row = form.findChild<QWidget*>(legend);
        filters.push_back(millisecondsFor([&] {
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(row, &release);
        }));
    }
    emit list2->horizontalHeader()->sectionClicked(2); // the namesake sits elsewhere
    const int rows = list1->model()->rowCount();
    for (int i = 1; i <= 9; ++i)
        pairs.push_back(millisecondsFor(
            [&] { list1->setCurrentIndex(list1->model()->index(rows * i / 10, 0)); }));
    std::printf("header sort: median %.1f ms, worst %.1f ms; legend filter: median %.1f ms, "
                "worst %.1f ms; paired selection: median %.1f ms, worst %.1f ms\n",
                median(sorts), *std::max_element(sorts.begin(), sorts.end()), median(filters),
                *std::max_element(filters.begin(), filters.end()), median(pairs),
                *std::max_element(pairs.begin(), pairs.end()));
}

} // namespace

// The wizard over a large plan: how long it takes to open, and to check or uncheck every
// operation with the summary shown again; its memory per operation.
void timeWizard(parlowen::Form1& form, std::size_t planned, long before)
{
    QElapsedTimer timer;
    timer.start();
    form.findChild<parlowen::PictureButton*>("Check2")->click();
    parlowen::Form3* wizard = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        wizard = wizard ? wizard : qobject_cast<parlowen::Form3*>(window);
    QApplication::processEvents();
    const double opened = double(timer.nsecsElapsed()) / 1e6;
    auto* plan =
        qobject_cast<parlowen::PlanModel*>(wizard->findChild<QTreeView*>("ListView1")->model());
    std::vector<double> choices;
    for (const bool chosen : {false, true, false, true})
        choices.push_back(millisecondsFor([&] { plan->choose(parlowen::Group::All, chosen, {}); }));
    std::printf("wizard over %zu operations: opened in %.0f ms; check or uncheck all with the "
                "summary: median %.1f ms, worst %.1f ms; memory since the window: %.0f bytes "
                "per operation\n",
                planned, opened, median(choices), *std::max_element(choices.begin(), choices.end()),
                double(peakKiB() - before) * 1024 / double(planned));
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const bool sync = argc == 4 && std::strcmp(argv[1], "--sync") == 0;
    const bool wizardToo = argc == 4 && std::strcmp(argv[1], "--wizard") == 0;
    // A player that speaks MTP (in memory) whose every request takes 5 ms, with FILES songs in
    // folders of 100, on the left.
    const bool device = argc == 4 && std::strcmp(argv[1], "--device") == 0;
    if (argc != 3 && !sync && !wizardToo && !device) {
        std::fprintf(stderr,
                     "usage: window_bench [--sync | --wizard] LEFT RIGHT\n"
                     "       window_bench --device FILES RIGHT\n");
        return 2;
    }
    parlowen::MemoryMtpDevices devices;
    if (device) {
        auto player = std::make_shared<parlowen::MemoryMtpDevice>();
        for (int i = 0; i < std::atoi(argv[2]); ++i)
            player->add("Music/Album " + std::to_string(i / 100) + "/Track " + std::to_string(i) +
                            ".mp3",
                        "song", 1'600'000'000);
        player->quirks.perRequest = std::chrono::milliseconds(5);
        devices.attach(player);
        argv[2] = const_cast<char*>("mtp://Parlowen_Fake_Player_1/Internal storage/Music");
    }
    argv += sync || wizardToo || device ? 1 : 0;
    parlowen::MemorySettingsStore settings;
    NoMessages messages;
    parlowen::PosixFileOps files;
    NoShell shell;
    NoDialog dialog;
    parlowen::Services services{settings, messages, files, shell, dialog, "/nonexistent", "",
                                &devices};
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
    if (sync) {
        // Compare, Sync, OK: the copying runs while the timer measures the stalls, up to the
        // moment the copying ends (the fresh Compare after it is not the copy's).
        QTimer::singleShot(100, &form, [&] {
            form.findChild<parlowen::PictureButton*>("Check1")->click();
            while (form.scanning())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            form.findChild<parlowen::PictureButton*>("Check2")->click();
            parlowen::Form3* wizard = nullptr;
            for (QWidget* window : QApplication::topLevelWidgets())
                wizard = wizard ? wizard : qobject_cast<parlowen::Form3*>(window);
            if (!wizard) {
                std::printf("nothing to copy\n");
                QApplication::exit(1);
                return;
            }
            // OK waits for the look at the folders and their room.
            while (!wizard->devicesKnown())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const std::size_t planned = results.size();
            QObject::connect(wizard, &parlowen::Form3::planCarriedOut,
                             [&, planned](const parlowen::CarryOutResult& run) {
                                 tick.stop();
                                 std::printf("OK copied %zu of %zu files in %.3f s; longest "
                                             "stall of the event loop %lld ms\n",
                                             run.finished, planned,
                                             double(clock.elapsed()) / 1000,
                                             static_cast<long long>(longest));
                                 QTimer::singleShot(0, [] { QApplication::quit(); });
                             });
            clock.start();
            tick.start();
            wizard->findChild<parlowen::PictureButton*>("Check2")->click();
        });
        return QApplication::exec();
    }
    // Compare: the scans run off the window's thread; the timer measures the stalls until the
    // lists are filled, and the peak memory is read before and after.
    long before = 0;
    QTimer::singleShot(100, &form, [&] {
        before = peakKiB(); // the window shown and painted: what it costs without rows
        clock.start();
        tick.start();
        form.findChild<parlowen::PictureButton*>("Check1")->click();
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (form.scanning() || clock.elapsed() < 10)
                return;
            tick.stop();
            const qint64 compared = clock.elapsed();
            const auto& left = form.leftRows();
            const auto& right = form.rightRows();
            double names = 0;
            for (const auto* rows : {&left.rows(), &right.rows()}) {
                for (const auto& row : *rows)
                    names += static_cast<double>(row.relativeName.size());
            }
            const double files = static_cast<double>(left.rowCount() + right.rowCount());
            std::printf("rows: %d left, %d right; plan: %zu operations\n", left.rowCount(),
                        right.rowCount(), results.size());
            std::printf("Compare took %lld ms; longest stall of the event loop %lld ms\n",
                        static_cast<long long>(compared), static_cast<long long>(longest));
            std::printf("memory: %.0f bytes per file beyond the names\n",
                        (static_cast<double>(peakKiB() - before) * 1024 - names) / files);
            if (wizardToo) {
                timeWizard(form, results.size(), peakKiB());
                QTimer::singleShot(0, [] { QApplication::quit(); });
                return;
            }
            timeViewChanges(form);
            std::printf("memory after sorting and filtering: %.0f bytes per file beyond the "
                        "names\n",
                        (static_cast<double>(peakKiB() - before) * 1024 - names) / files);
            QTimer::singleShot(0, [] { QApplication::quit(); });
        });
    });
    return QApplication::exec();
}
