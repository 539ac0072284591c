// What the "Instruction" frame shows while OK copies.
#include "sync_wizard/qt/copy_progress_view.h"

#include "platform/qt/path_text.h"
#include "platform/qt/qt_widgets.h"
#include "sync_wizard/qt/plan_runner.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace parlowen {

CopyProgressView::CopyProgressView(QWidget* frame, QWidget* instruction, const PlanRunner& runner)
    : QObject(frame), m_instruction(instruction), m_runner(runner),
      m_bar(named(new QProgressBar(frame), "CopyProgress")),
      m_line(named(new QLabel(frame), "CopyLine")), m_file(named(new QLabel(frame), "CopyFile"))
{
    m_bar->setAccessibleName(QStringLiteral("Copy progress"));
    m_line->setAccessibleName(QStringLiteral("Files and bytes copied, speed and time left"));
    m_file->setAccessibleName(QStringLiteral("File being copied"));
    m_line->setWordWrap(true);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    for (QWidget* part : std::initializer_list<QWidget*>{m_bar, m_line, m_file}) {
        part->setFont(arial(8.25, false));
        part->hide();
    }
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &CopyProgressView::update);
}

void CopyProgressView::show()
{
    m_meter = ProgressMeter();
    m_clock.start();
    m_timer.start();
    m_instruction->hide();
    for (QWidget* part : std::initializer_list<QWidget*>{m_bar, m_line, m_file})
        part->show();
    update();
}

void CopyProgressView::hide()
{
    m_timer.stop();
    for (QWidget* part : std::initializer_list<QWidget*>{m_bar, m_line, m_file})
        part->hide();
    m_instruction->show();
}

void CopyProgressView::update()
{
    const CopyProgress progress = m_runner.latest();
    // The three share the instruction's place, whatever the layout made of it: a thin bar, the
    // progress line on up to two lines, the file's path on one, shortened in its middle.
    const QRect place = m_instruction->geometry();
    const int line = m_file->fontMetrics().lineSpacing();
    const int bar = std::max(4, place.height() - 3 * line - 2);
    m_bar->setGeometry(place.x(), place.y(), place.width(), bar);
    m_line->setGeometry(place.x(), place.y() + bar + 2, place.width(), 2 * line);
    m_file->setGeometry(place.x(), place.y() + bar + 2 + 2 * line, place.width(), line);
    const double share =
        progress.bytesTotal > 0
            ? double(progress.bytesDone) / double(progress.bytesTotal)
            : double(progress.current) / double(std::max<std::size_t>(progress.total, 1));
    m_bar->setValue(static_cast<int>(std::clamp(share, 0.0, 1.0) * 1000));
    const double seconds = double(m_clock.elapsed()) / 1000;
    m_line->setText(QString::fromStdString(m_runner.stopping()
                                               ? m_meter.stoppingLine(progress, seconds)
                                               : m_meter.line(progress, seconds)));
    const QString file = pathToText(progress.file);
    m_file->setText(m_file->fontMetrics().elidedText(file, Qt::ElideMiddle, place.width()));
    m_file->setToolTip(file);
}

} // namespace parlowen
