// Long work on a thread of its own: an exception there is reported, and the program goes on.
#include "platform/qt/background_job.h"

#include <QSignalSpy>
#include <QTest>

#include <new>
#include <stdexcept>

using namespace parlowen;

class BackgroundJobTest : public QObject
{
    Q_OBJECT

private slots:
    void anExceptionOnTheWorkerBecomesAFailureAndTheJobRunsAgain()
    {
        BackgroundJob job;
        QSignalSpy finished(&job, &BackgroundJob::finished);
        job.start([](std::stop_token) { throw std::bad_alloc(); });
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(job.failure(), std::string("std::bad_alloc"));
        QVERIFY(!job.running());

        bool ran = false;
        job.start([&ran](std::stop_token) { ran = true; });
        QTRY_COMPARE(finished.count(), 2);
        QVERIFY(ran);
        QVERIFY(job.failure().empty());
    }
};

QTEST_GUILESS_MAIN(BackgroundJobTest)
#include "background_job_test.moc"
