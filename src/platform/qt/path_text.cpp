// Paths as widget text and back.
#include "platform/qt/path_text.h"

#include <QFile>

namespace parlowen {

QString pathToText(const std::string& path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string textToPath(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

} // namespace parlowen
