// The settings store as INI files in a per-user config folder.
#include "platform/qt/qt_settings_store.h"

#include <QSettings>
#include <QStandardPaths>

namespace parlowen {
namespace {

QString qt(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString keyPath(const std::string& section, const std::string& key)
{
    return qt(section) + '/' + qt(key);
}

} // namespace

QtSettingsStore::QtSettingsStore(QString folder) : m_folder(std::move(folder)) {}

QString QtSettingsStore::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString QtSettingsStore::fileFor(const std::string& application) const
{
    return m_folder + '/' + qt(application) + ".ini";
}

std::string QtSettingsStore::read(const std::string& application, const std::string& section,
                                  const std::string& key) const
{
    const QSettings settings(fileFor(application), QSettings::IniFormat);
    const QVariant value = settings.value(keyPath(section, key));
    // A hand-edited history without quotes reads as a list; its text is the entries joined.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(',').toStdString();
    return value.toString().toStdString();
}

void QtSettingsStore::write(const std::string& application, const std::string& section,
                            const std::string& key, const std::string& value)
{
    QSettings settings(fileFor(application), QSettings::IniFormat);
    settings.setValue(keyPath(section, key), qt(value));
    // Every setting is written when it changes; nothing is saved at the end.
    settings.sync();
}

} // namespace parlowen
