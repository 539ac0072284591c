// What the "Instruction" frame shows while OK copies: a bar over the bytes, the line of
// files, bytes, speed and time left, and the file being copied. It reads the runner's latest
// progress ten times a second.
#pragma once

#include "sync_wizard/progress_meter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QLabel;
class QProgressBar;
class QWidget;

namespace parlowen {

class PlanRunner;

class CopyProgressView final : public QObject
{
public:
    // The three parts are made in the frame and take the place of the label while shown.
    CopyProgressView(QWidget* frame, QWidget* instruction, const PlanRunner& runner);

    void show();
    void hide();

private:
    void update();

    QWidget* m_instruction;
    const PlanRunner& m_runner;
    QProgressBar* m_bar;
    QLabel* m_line;
    QLabel* m_file;
    QTimer m_timer;
    QElapsedTimer m_clock;
    ProgressMeter m_meter;
};

} // namespace parlowen
