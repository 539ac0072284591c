// The dialog of a player's converting rule.
#include "main_window/qt/convert_dialog.h"

#include "convert/player_rules.h"
#include "platform/mtp_address.h"
#include "platform/player_identity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace parlowen {
namespace {

constexpr Preset kPresets[] = {Preset::Mp3V2, Preset::Opus128, Preset::VorbisQ5, Preset::Aac192};
constexpr const char* kPresetTexts[] = {"MP3 (LAME VBR quality 2, about 190 kbit/s)",
                                        "Opus 128 kbit/s", "Vorbis quality 5 (about 160 kbit/s)",
                                        "AAC 192 kbit/s (.m4a)"};

} // namespace

ConvertDialog::ConvertDialog(const QString& player, const ConvertRule& rule, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Convert for the player"));
    auto* layout = new QVBoxLayout(this);
    auto* where = new QLabel(QStringLiteral("The player in %1").arg(player), this);
    where->setWordWrap(true);
    layout->addWidget(where);
    m_on = new QCheckBox(QStringLiteral("&Convert lossless songs (FLAC, WAV, AIFF, ALAC) for "
                                        "this player; MP3 and AAC are copied as they are"),
                         this);
    m_on->setObjectName(QStringLiteral("convertOn"));
    m_on->setChecked(rule.on);
    layout->addWidget(m_on);
    auto* form = new QFormLayout;
    m_preset = new QComboBox(this);
    m_preset->setObjectName(QStringLiteral("convertPreset"));
    for (std::size_t i = 0; i < std::size(kPresets); ++i) {
        m_preset->addItem(QString::fromUtf8(kPresetTexts[i]));
        if (kPresets[i] == rule.preset)
            m_preset->setCurrentIndex(static_cast<int>(i));
    }
    form->addRow(QStringLiteral("&Format:"), m_preset);
    m_cover = new QComboBox(this);
    m_cover->setObjectName(QStringLiteral("convertCover"));
    m_cover->addItems({QStringLiteral("Keep it as it is"), QStringLiteral("Leave it out"),
                       QStringLiteral("Make it smaller")});
    m_cover->setCurrentIndex(static_cast<int>(rule.cover.mode));
    form->addRow(QStringLiteral("Co&ver picture:"), m_cover);
    m_pixels = new QSpinBox(this);
    m_pixels->setObjectName(QStringLiteral("convertPixels"));
    m_pixels->setRange(16, 10000);
    m_pixels->setSuffix(QStringLiteral(" pixels at most"));
    m_pixels->setValue(rule.cover.pixels ? rule.cover.pixels : 500);
    form->addRow(QStringLiteral("&Size:"), m_pixels);
    layout->addLayout(form);
    m_playlists = new QCheckBox(QStringLiteral("Write the PC's &playlists for this player, with "
                                               "the songs' names there"),
                                this);
    m_playlists->setObjectName(QStringLiteral("convertPlaylists"));
    m_playlists->setChecked(rule.playlists);
    layout->addWidget(m_playlists);
    auto* playlistForm = new QFormLayout;
    m_playlistPlace = new QComboBox(this);
    m_playlistPlace->setObjectName(QStringLiteral("convertPlaylistPlace"));
    m_playlistPlace->addItems({QStringLiteral("Beside their songs, as on the PC"),
                               QStringLiteral("In a Playlists folder at the top")});
    m_playlistPlace->setCurrentIndex(static_cast<int>(rule.playlistPlace));
    playlistForm->addRow(QStringLiteral("P&ut them:"), m_playlistPlace);
    layout->addLayout(playlistForm);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_on, &QCheckBox::toggled, this, &ConvertDialog::showChoices);
    connect(m_cover, &QComboBox::currentIndexChanged, this, &ConvertDialog::showChoices);
    connect(m_playlists, &QCheckBox::toggled, this, &ConvertDialog::showChoices);
    showChoices();
}

void ConvertDialog::showChoices()
{
    m_preset->setEnabled(m_on->isChecked());
    m_cover->setEnabled(m_on->isChecked());
    m_pixels->setEnabled(m_on->isChecked() &&
                         m_cover->currentIndex() == static_cast<int>(CoverRule::Mode::Shrink));
    m_playlistPlace->setEnabled(m_playlists->isChecked());
}

ConvertRule ConvertDialog::rule() const
{
    const auto mode = static_cast<CoverRule::Mode>(m_cover->currentIndex());
    return {.on = m_on->isChecked(),
            .preset = kPresets[m_preset->currentIndex()],
            .cover = {.mode = mode, .pixels = mode == CoverRule::Mode::Shrink ? m_pixels->value() : 0},
            .playlists = m_playlists->isChecked(),
            .playlistPlace = static_cast<ConvertRule::PlaylistPlace>(m_playlistPlace->currentIndex())};
}

void editConvertRule(QWidget* parent, const std::string& leftRoot,
                     const std::vector<std::string>& plays)
{
    const PlayerIdentity identity = playerIdentity(addressOrPath(leftRoot));
    const QString shown = QString::fromStdString(leftRoot);
    if (leftRoot.empty() || identity.id.empty()) {
        QMessageBox::information(parent, QStringLiteral("Convert for the player"),
                                 QStringLiteral("Choose the player's folder on the left first: "
                                                "\"%1\" is no folder Parlowen can find again.")
                                     .arg(shown));
        return;
    }
    const std::string path = playerRulesPath();
    ConvertDialog dialog(shown, savedRule(path, identity.id, presetForFormats(plays)), parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const auto error = saveRule(path, identity.id, dialog.rule()))
        QMessageBox::warning(parent, QStringLiteral("Convert for the player"),
                             QStringLiteral("The choice could not be kept (%1 at %2).")
                                 .arg(QString::fromStdString(error.message()),
                                      QString::fromStdString(path)));
}

} // namespace parlowen
