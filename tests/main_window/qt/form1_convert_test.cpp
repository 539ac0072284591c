// The left player's converting rule, set from the window's keyboard and kept, then used by its
// Compare: a FLAC on the PC is planned as the player's MP3, and the PC's playlist of it is
// written in the player's Playlists folder naming the MP3.
#include "main_window/qt/convert_dialog.h"
#include "main_window/qt/form1.h"

#include "fakes/song_files.h"
#include "fakes/temp_tree.h"
#include "fakes/test_services.h"
#include "main_window/qt/result_rows_model.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace parlowen;

class Form1ConvertTest : public QObject
{
    Q_OBJECT

private slots:
    void ctrlPSetsTheRuleThatCompareThenFollows()
    {
        if (!testing::haveFlacTool())
            QSKIP("the flac tool is not installed (scripts/setup.sh installs it)");
        testing::TempTree home;
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.folder("config")));
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(home.folder("state")));
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(home.folder("cache")));
        testing::TestServices services;
        ResultStore results;
        testing::TempTree player;
        testing::TempTree pc;
        QVERIFY(testing::makeFlac(pc.path("Album/x.flac"), 1.0, 440));
        pc.file("Album/mix.m3u8", "x.flac\n");
        Form1 form{services.services, results};
        form.findChild<QComboBox*>("Combo1")->setEditText(QString::fromStdString(player.root()));
        form.findChild<QComboBox*>("Combo2")->setEditText(QString::fromStdString(pc.root()));
        form.show();
        QApplication::setActiveWindow(&form);

        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ConvertDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = true;
            dialog->findChild<QCheckBox*>("convertOn")->setChecked(true);
            dialog->findChild<QComboBox*>("convertPreset")->setCurrentIndex(0);
            dialog->findChild<QCheckBox*>("convertPlaylists")->setChecked(true);
            dialog->findChild<QComboBox*>("convertPlaylistPlace")->setCurrentIndex(1);
            dialog->accept();
        });
        QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(seen);

        auto* box = form.findChild<QComboBox*>("Combo1");
        box->setFocus();
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!form.scanning(), 20000);
        QCOMPARE(results.size(), std::size_t(2));
        QCOMPARE(QString::fromStdString(results[0].OpAction),
                 QStringLiteral("converted to MP3"));
        QVERIFY(results[0].OpTargetPath.ends_with("Album/x.mp3"));
        QCOMPARE(QString::fromStdString(results[1].OpAction),
                 QStringLiteral("written for the player"));
        QCOMPARE(QString::fromStdString(results[1].OpTargetPath),
                 QString::fromStdString(player.path("Playlists/Album - mix.m3u8")));
        QCOMPARE(QString::fromStdString(results[1].written->content),
                 QStringLiteral("#EXTM3U\n#EXTINF:-1,x\n../Album/x.mp3\n"));
    }
};

QTEST_MAIN(Form1ConvertTest)
#include "form1_convert_test.moc"
