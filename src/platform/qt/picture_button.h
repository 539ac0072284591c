// A command button that shows its picture above its caption and runs its command once a press.
#pragma once

#include <QToolButton>

namespace parlowen {

class PictureButton final : public QToolButton
{
    Q_OBJECT
public:
    // An "&" in the caption underlines the next letter, which Alt presses the button with.
    PictureButton(const QString& objectName, const QString& caption, const QString& picture,
                  int pictureSize, QWidget* parent);

    // The caption as shown, without the "&" that marks its mnemonic letter.
    QString caption() const { return QString(text()).remove(QLatin1Char('&')); }
    // The caption's colour, which is how the wizard shows whether a Run button is available.
    void setCaptionColor(const QColor& color);
    QColor captionColor() const { return m_captionColor; }

private:
    void applyStyle();
    QColor m_captionColor = Qt::black;
};

} // namespace parlowen
