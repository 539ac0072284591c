// What a screen reader hears of a folder box.
#include "main_window/qt/folder_box_accessible.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace parlowen {
namespace {

constexpr const char* kMarker = "parlowenFolderBox";

class FolderBoxAccessible final : public QAccessibleWidget
{
public:
    explicit FolderBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        auto* box = static_cast<QComboBox*>(widget());
        if (t == QAccessible::Name)
            return box->accessibleName();
        if (t == QAccessible::Value)
            return box->currentText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* folderBoxFactory(const QString&, QObject* object)
{
    auto* box = qobject_cast<QComboBox*>(object);
    if (box && box->property(kMarker).toBool())
        return new FolderBoxAccessible(box);
    return nullptr;
}

} // namespace

void nameFolderBoxForScreenReaders(QComboBox* box, const QString& caption)
{
    static const bool installed = [] {
        QAccessible::installFactory(folderBoxFactory);
        return true;
    }();
    (void)installed;
    box->setProperty(kMarker, true);
    box->setAccessibleName(caption);
    box->lineEdit()->setAccessibleName(caption);
}

} // namespace parlowen
