// Qt's own file panel as the application shows it: in French once the start-up has loaded Qt's
// French catalogue, and with icons that stay visible in both appearances.
#include "library/LibraryStore.h"
#include "platform/UserDefaults.h"
#include "ui/AppearanceController.h"
#include "ui/DesktopSettings.h"
#include "ui/QtFrench.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include "Contrast.h"
#include "common/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIcon>
#include <QLabel>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace quavel;

namespace {

// The panel of the folder pickers, over a folder holding a folder and a file.
std::unique_ptr<QFileDialog> folderPanel(const test::TempFolder& folder)
{
    folder.write(QStringLiteral("Photos du samedi/IMG_0001.JPG"), "x");
    folder.write(QStringLiteral("programme.pdf"), "%PDF-1.4");
    auto panel = std::make_unique<QFileDialog>(nullptr, QStringLiteral("Dossier des photos"), folder.path());
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setFileMode(QFileDialog::Directory);
    panel->setViewMode(QFileDialog::Detail);
    panel->show();
    return panel;
}

// Every text the panel shows: labels, buttons and their tips, choices, column titles and cells.
QStringList shownTexts(QFileDialog& panel)
{
    QStringList texts;
    for (auto* label : panel.findChildren<QLabel*>())
        texts << label->text();
    for (auto* button : panel.findChildren<QAbstractButton*>())
        texts << button->text() << button->toolTip();
    for (auto* combo : panel.findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    for (auto* view : panel.findChildren<QTreeView*>()) {
        const QAbstractItemModel* model = view->model();
        for (int c = 0; c < model->columnCount(); ++c)
            texts << model->headerData(c, Qt::Horizontal).toString();
        for (int r = 0; r < model->rowCount(view->rootIndex()); ++r)
            for (int c = 0; c < model->columnCount(view->rootIndex()); ++c)
                texts << model->index(r, c, view->rootIndex()).data().toString();
    }
    texts.removeAll(QString());
    return texts;
}

bool listed(QFileDialog& panel)
{
    for (auto* view : panel.findChildren<QTreeView*>())
        if (view->model()->rowCount(view->rootIndex()) >= 1)
            return true;
    return false;
}

} // namespace

TEST(QtDialogs, TheFilePanelSpeaksFrench)
{
    ASSERT_TRUE(QtFrench::install());
    test::TempFolder folder;
    const auto panel = folderPanel(folder);
    ASSERT_TRUE(test::waitUntil([&] { return listed(*panel); }));
    ASSERT_TRUE(test::waitUntil([&] { return shownTexts(*panel).contains(QStringLiteral("Dossier")); }))
        << shownTexts(*panel).join(u'|').toStdString();
    const QStringList texts = shownTexts(*panel);
    for (const char* french : { "Dossier :", "Annuler", "&Choisir", "Nom", "Taille", "Dernière modification",
             "Dossier parent", "Créer un nouveau dossier" })
        EXPECT_TRUE(texts.contains(QString::fromUtf8(french)))
            << french << " in " << texts.join(u'|').toStdString();
    for (const QString& text : texts)
        for (const char* english : { "Folder", "Cancel", "Directory", "Date Modified", "Parent" })
            EXPECT_FALSE(text.contains(QString::fromLatin1(english))) << text.toStdString();
}

// The panel's tool buttons draw the icon theme's images as they are: in the dark appearance the theme's
// dark variant keeps them light on the dark palette.
TEST(QtDialogs, TheFilePanelsIconsStayVisibleInBothAppearances)
{
    Symbols::installIconTheme();
    test::TempFolder data;
    UserDefaults defaults(data.file(QStringLiteral("d.json")));
    LibraryStore store(data.path(), defaults);
    DesktopSettings desktop;
    AppearanceController appearance(store, desktop);
    for (const bool dark : { true, false }) {
        store.setAppearance(dark ? AppearancePreference::dark : AppearancePreference::light);
        appearance.apply();
        EXPECT_EQ(QIcon::themeName(), dark ? QStringLiteral("breeze-dark") : QStringLiteral("breeze"));
        test::TempFolder folder;
        const auto panel = folderPanel(folder);
        QApplication::processEvents();
        for (const char* name : { "backButton", "toParentButton", "newFolderButton", "detailModeButton" }) {
            auto* button = panel->findChild<QToolButton*>(QString::fromLatin1(name));
            ASSERT_TRUE(button) << name;
            const QImage picture = button->grab().toImage();
            // The button's colour against the icon's; images that carry meaning reach 3:1 against what
            // is around them.
            EXPECT_GE(test::inkContrast(picture, picture.rect()), 3.0) << name << (dark ? " dark" : " light");
        }
    }
    QApplication::setPalette(Theme::palette(false));
}
