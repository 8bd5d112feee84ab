// The crop editor's toolbar and retouch panel on their own: what they show for each state, and what
// their buttons ask for.
#include "RetouchTestSupport.h"

#include "photo/views/CropEditorToolbar.h"
#include "photo/views/CropRetouchPanel.h"
#include "photo/views/RetouchControls.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "photo/views/RetouchSliderRow.h"
#include "ui/CapsuleButton.h"
#include "ui/Theme.h"

#include <QSignalSpy>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST(CropEditorToolbar, TitleFormatAndWatermark)
{
    CropEditorToolbar bar;
    EXPECT_EQ(bar.title(), QStringLiteral("Recadrage"));
    bar.setPhoto(QStringLiteral("/commandes/Dupont/IMPRESSION A5/IMG_3413.JPG"));
    EXPECT_EQ(bar.title(), QStringLiteral("IMG_3413.JPG"));

    bar.setFormat(PrintFormat::a4);
    EXPECT_TRUE(bar.formatButton(PrintFormat::a4)->isSelected());
    EXPECT_FALSE(bar.formatButton(PrintFormat::a5)->isSelected());
    EXPECT_EQ(bar.formatButton(PrintFormat::a5)->toolTip(), QStringLiteral("Format A5"));
    EXPECT_EQ(bar.formatButton(PrintFormat::a4)->kind(), CapsuleKind::fused);

    const struct
    {
        bool included;
        bool fileChosen;
        const char* text;
        bool enabled;
        const char* help;
    } states[] = {
        { false, false, "Non", false, "Choisissez d’abord un fichier filigrane" },
        { true, false, "Oui", false, "Choisissez d’abord un fichier filigrane" },
        { false, true, "Non", true, "Étendre le filigrane depuis le bas, centré" },
        { true, true, "Oui", true, "Étendre le filigrane depuis le bas, centré" },
    };
    for (const auto& s : states) {
        bar.setWatermark(s.included, s.fileChosen);
        EXPECT_EQ(bar.watermarkButton()->text(), QString::fromUtf8(s.text));
        EXPECT_EQ(bar.watermarkButton()->isEnabled(), s.enabled);
        EXPECT_EQ(bar.watermarkButton()->isSelected(), s.included);
        EXPECT_EQ(bar.watermarkButton()->toolTip(), QString::fromUtf8(s.help));
    }
}

TEST(CropEditorToolbar, UndoStatesSayCtrlZ)
{
    CropEditorToolbar bar;
    const struct
    {
        bool historyEmpty;
        bool backup;
        bool enabled;
        const char* help;
    } states[] = {
        { true, false, false, "Annuler la dernière modification (Ctrl+Z)" },
        { true, true, true, "Revenir à la photo d’origine (Ctrl+Z)" },
        { false, false, true, "Annuler la dernière modification (Ctrl+Z)" },
        { false, true, true, "Annuler la dernière modification (Ctrl+Z)" },
    };
    for (const auto& s : states) {
        bar.setUndo(s.historyEmpty, s.backup);
        EXPECT_EQ(bar.undoButton()->isEnabled(), s.enabled);
        EXPECT_EQ(bar.undoButton()->toolTip(), QString::fromUtf8(s.help));
    }
}

TEST(CropEditorToolbar, ButtonsReportWhatWasAsked)
{
    TestWindow w;
    auto* bar = w.hold(new CropEditorToolbar);
    bar->setWatermark(false, true);
    bar->setUndo(false, false);
    w.resize(900, 80);
    w.open();
    QSignalSpy formats(bar, &CropEditorToolbar::formatChosen);
    QSignalSpy watermark(bar, &CropEditorToolbar::watermarkToggled);
    QSignalSpy undo(bar, &CropEditorToolbar::undoRequested);
    QSignalSpy close(bar, &CropEditorToolbar::closeRequested);
    QTest::mouseClick(bar->formatButton(PrintFormat::a4), Qt::LeftButton);
    QTest::mouseClick(bar->watermarkButton(), Qt::LeftButton);
    QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
    QTest::mouseClick(bar->closeButton(), Qt::LeftButton);
    ASSERT_EQ(formats.count(), 1);
    EXPECT_EQ(formats.at(0).at(0).value<PrintFormat>(), PrintFormat::a4);
    EXPECT_EQ(watermark.count(), 1);
    EXPECT_EQ(undo.count(), 1);
    EXPECT_EQ(close.count(), 1);
}

PhotoRetouchSettings saved()
{
    PhotoRetouchSettings s;
    s.contrast = 15;
    s.autoContrast = true;
    return s;
}

TEST(CropRetouchPanel, PresetButtonsFollowThePresetAndThePhoto)
{
    RetouchSettingsBinding session;
    CropRetouchPanel panel(&session);
    EXPECT_EQ(panel.width(), 348);
    EXPECT_TRUE(Theme::isDark(&panel));
    EXPECT_EQ(panel.controls()->spacing(), 11);
    EXPECT_EQ(panel.savePresetButton()->kind(), CapsuleKind::prominent);

    // No preset saved yet: nothing to apply, and the photo's neutral look equals the neutral preset.
    EXPECT_FALSE(panel.applyPresetButton()->isEnabled());
    EXPECT_EQ(panel.applyPresetButton()->toolTip(),
        QStringLiteral("Aucun préréglage enregistré. Enregistrez d’abord des réglages."));
    EXPECT_FALSE(panel.savePresetButton()->isEnabled());

    panel.setPreset(saved());
    EXPECT_TRUE(panel.applyPresetButton()->isEnabled());
    EXPECT_EQ(panel.applyPresetButton()->toolTip(),
        QStringLiteral("Applique à cette photo les réglages enregistrés."));
    EXPECT_TRUE(panel.savePresetButton()->isEnabled());

    QSignalSpy applies(&panel, &CropRetouchPanel::applyPresetRequested);
    panel.applyPresetButton()->click();
    ASSERT_EQ(applies.count(), 1);
    EXPECT_EQ(applies.at(0).at(0).value<PhotoRetouchSettings>(), saved());
    EXPECT_EQ(session.value(), PhotoRetouchSettings {}); // the owner applies it

    // The photo's own retouch edited in the panel, then saved: both buttons off, as they now agree.
    panel.controls()->contrast()->field()->setText(QStringLiteral("30"));
    panel.controls()->contrast()->commitTyped();
    EXPECT_EQ(session.value().contrast, 30);
    QSignalSpy saves(&panel, &CropRetouchPanel::savePresetRequested);
    panel.savePresetButton()->click();
    ASSERT_EQ(saves.count(), 1);
    const PhotoRetouchSettings newPreset = saves.at(0).at(0).value<PhotoRetouchSettings>();
    EXPECT_EQ(newPreset, session.value());
    panel.setPreset(newPreset);
    EXPECT_FALSE(panel.applyPresetButton()->isEnabled());
    EXPECT_FALSE(panel.savePresetButton()->isEnabled());
}

} // namespace
