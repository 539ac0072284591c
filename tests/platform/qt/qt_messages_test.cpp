// Message boxes on a small screen: a long text scrolls inside the screen and OK stays in reach.
#include "platform/qt/qt_messages.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace parlowen;

class QtMessagesTest : public QObject
{
    Q_OBJECT

private slots:
    void longMessageStaysOnTheScreenWithOkReachable()
    {
        std::string text = "60 operations could not be carried out:\n";
        for (int i = 0; i < 60; ++i)
            text += "\n/media/ann/PLAYER/Artist " + std::to_string(i) +
                    "/Album/Track.mp3: the device is full (copying)";
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        bool inspected = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("Error"));
            QVERIFY2(box->frameGeometry().height() <= screen.height(),
                     qPrintable(QString::number(box->frameGeometry().height())));
            auto* ok = box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            QVERIFY(ok->isVisible() && ok->isDefault());
            QVERIFY(box->rect().contains(ok->geometry().translated(ok->parentWidget()->pos())));
            inspected = true;
            QTest::keyClick(ok, Qt::Key_Return);
        });
        QtMessages().show("Error", text);
        QVERIFY(inspected);
    }
};

QTEST_MAIN(QtMessagesTest)
#include "qt_messages_test.moc"
