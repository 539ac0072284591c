// The converting rule of the player on the left: whether its copies of the PC's lossless songs
// are converted, to what, and what becomes of their covers. Kept with the player's identity.
#pragma once

#include "convert/preset.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace parlowen {

class ConvertDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConvertDialog)

public:
    // player: how the player is named to the user (its folder or address).
    ConvertDialog(const QString& player, const ConvertRule& rule, QWidget* parent = nullptr);
    ConvertRule rule() const;

private:
    void showChoices();

    QCheckBox* m_on = nullptr;
    QCheckBox* m_playlists = nullptr;
    QComboBox* m_preset = nullptr;
    QComboBox* m_cover = nullptr;
    QComboBox* m_playlistPlace = nullptr;
    QSpinBox* m_pixels = nullptr;
};

// Opens the dialog for the player whose folder (or address) is given and keeps what the user
// chose; says why where the player cannot be known again (then nothing is kept).
// plays: the kinds of file the player said it plays at the last Compare (for the format
// offered before one is chosen).
void editConvertRule(QWidget* parent, const std::string& leftRoot,
                     const std::vector<std::string>& plays);

} // namespace parlowen
