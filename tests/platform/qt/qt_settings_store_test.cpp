// The INI settings store on a real file in a temporary folder.
#include "platform/qt/qt_settings_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using parlowen::QtSettingsStore;

class QtSettingsStoreTest : public QObject
{
    Q_OBJECT
private slots:
    void missingKeyReadsEmpty()
    {
        QTemporaryDir dir;
        QtSettingsStore store(dir.path());
        QCOMPARE(store.read("Vantrell", "Morrowlin", "LeftCombo"), std::string());
    }

    void valuesRoundTripThroughTheFile()
    {
        QTemporaryDir dir;
        const std::string history = "/music,/media/p,/home/zoë/Müsik,";
        QtSettingsStore(dir.path()).write("Vantrell", "Morrowlin", "LeftCombo", history);
        QtSettingsStore(dir.path()).write("Vantrell", "Parlowen", "FormHeight", "7800");
        QVERIFY(QFile::exists(dir.filePath("Vantrell.ini")));
        QtSettingsStore reopened(dir.path());
        QCOMPARE(reopened.read("Vantrell", "Morrowlin", "LeftCombo"), history);
        QCOMPARE(reopened.read("Vantrell", "Parlowen", "FormHeight"), std::string("7800"));
        QCOMPARE(reopened.read("Vantrell", "Morrowlin", "RightCombo"), std::string());
    }

    void sectionsAndApplicationsAreSeparate()
    {
        QTemporaryDir dir;
        QtSettingsStore store(dir.path());
        store.write("Vantrell", "Parlowen", "WindowState", "2");
        store.write("Other", "Parlowen", "WindowState", "1");
        QCOMPARE(store.read("Vantrell", "Morrowlin", "WindowState"), std::string());
        QCOMPARE(store.read("Vantrell", "Parlowen", "WindowState"), std::string("2"));
        QCOMPARE(store.read("Other", "Parlowen", "WindowState"), std::string("1"));
    }

    void aHandEditedFileIsRead()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("Vantrell.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Parlowen]\nLeftComboIndex=1\nFormHeight=abc\n"
                   "[Morrowlin]\nLeftCombo=/music,/media/p,\n");
        file.close();
        QtSettingsStore store(dir.path());
        QCOMPARE(store.read("Vantrell", "Morrowlin", "LeftCombo"), std::string("/music,/media/p,"));
        QCOMPARE(store.read("Vantrell", "Parlowen", "LeftComboIndex"), std::string("1"));
        QCOMPARE(store.read("Vantrell", "Parlowen", "FormHeight"), std::string("abc"));
    }
};

QTEST_GUILESS_MAIN(QtSettingsStoreTest)
#include "qt_settings_store_test.moc"
