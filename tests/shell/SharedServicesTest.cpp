// The notification centre, the window move lock and the file pickers.
#include "ui/Notifications.h"
#include "ui/PanelPresenter.h"
#include "ui/WindowMoveLock.h"

#include "common/TestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quavel;

namespace {

TEST(NotificationCentre, EachNameEmitsItsOwnSignal)
{
    auto& centre = Notifications::instance();
    ASSERT_EQ(Notifications::names().size(), 7);
    for (const QString& name : Notifications::names()) {
        const QByteArray signature = QByteArray("2") + name.toLatin1() + "()";
        QSignalSpy spy(&centre, signature.constData());
        ASSERT_TRUE(spy.isValid()) << name.toStdString();
        EXPECT_TRUE(centre.post(name));
        EXPECT_EQ(spy.count(), 1) << name.toStdString();
    }
    EXPECT_FALSE(centre.post(QStringLiteral("quavelNouveau")));
}

class MoveLock : public ::testing::Test
{
protected:
    void SetUp() override { WindowMoveLock::resetForTesting(); }
    void TearDown() override { WindowMoveLock::resetForTesting(); }
    static void settle() { QApplication::processEvents(); }
};

TEST_F(MoveLock, TwoHoldersNeedTwoDeparturesAndCountStaysAtZero)
{
    QWidget window;
    WindowMoveLock::apply();
    settle();
    EXPECT_TRUE(WindowMoveLock::isMovableByBackground(&window));
    WindowMoveLock::acquire();
    WindowMoveLock::acquire();
    settle();
    EXPECT_FALSE(WindowMoveLock::isMovableByBackground(&window));
    WindowMoveLock::release();
    settle();
    EXPECT_FALSE(WindowMoveLock::isMovableByBackground(&window));
    WindowMoveLock::release();
    WindowMoveLock::release();
    settle();
    EXPECT_EQ(WindowMoveLock::count(), 0);
    EXPECT_TRUE(WindowMoveLock::isMovableByBackground(&window));
}

TEST_F(MoveLock, ABurstOfRequestsMakesOnePassAndLaterWindowsWaitForTheNext)
{
    QWidget first;
    WindowMoveLock::apply();
    WindowMoveLock::apply();
    WindowMoveLock::apply();
    EXPECT_EQ(WindowMoveLock::passCount(), 0);
    settle();
    EXPECT_EQ(WindowMoveLock::passCount(), 1);
    WindowMoveLock::acquire();
    settle();
    QWidget later;
    WindowMoveLock::setMovableByBackground(&later, true);
    EXPECT_TRUE(WindowMoveLock::isMovableByBackground(&later));
    WindowMoveLock::apply();
    settle();
    EXPECT_FALSE(WindowMoveLock::isMovableByBackground(&later));
}

TEST(FilePickers, ExtensionListsAreOrderedAndUnique)
{
    EXPECT_EQ(PanelPresenter::programmeExtensions(), (QStringList { "pdf", "xlsx", "xlsm" }));
    const QStringList images = PanelPresenter::imageExtensions();
    EXPECT_EQ(images.mid(0, 7), (QStringList { "png", "jpg", "jpeg", "tif", "tiff", "gif", "webp" }));
    EXPECT_TRUE(images.contains(QStringLiteral("heic")));
    EXPECT_TRUE(images.contains(QStringLiteral("heif")));
    EXPECT_EQ(images.size(), QSet<QString>(images.begin(), images.end()).size());
}

// Runs `act` on the panel once it is shown.
void whenPanelShows(const std::function<void(QFileDialog*)>& act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QFileDialog* panel = PanelPresenter::shared().panel(); panel && panel->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(panel);
        }
    });
    timer->start(10);
}

TEST(FilePickers, CancelGivesNothingAndClearsThePanel)
{
    whenPanelShows([](QFileDialog* panel) {
        EXPECT_EQ(panel->windowTitle(), QStringLiteral("Importer le programme"));
        EXPECT_EQ(panel->labelText(QFileDialog::Accept), QStringLiteral("Importer"));
        EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
        EXPECT_TRUE(panel->nameFilters().first().contains(QStringLiteral("*.xlsm")));
        panel->reject();
    });
    EXPECT_FALSE(PanelPresenter::shared().pickProgramme());
    EXPECT_EQ(PanelPresenter::shared().panel(), nullptr);
}

TEST(FilePickers, FolderPickerReturnsThePickedFolderAndMayCreateFolders)
{
    test::TempFolder folder;
    whenPanelShows([&](QFileDialog* panel) {
        EXPECT_EQ(panel->windowTitle(), QStringLiteral("Dossier des photos"));
        EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
        EXPECT_FALSE(panel->testOption(QFileDialog::ReadOnly));
        panel->setDirectory(folder.path());
        QMetaObject::invokeMethod(panel, "accept");
    });
    const auto picked = PanelPresenter::shared().pickFolder(
        QStringLiteral("Dossier des photos"), QStringLiteral("Choisir"));
    ASSERT_TRUE(picked);
    EXPECT_EQ(QFileInfo(*picked).canonicalFilePath(), QFileInfo(folder.path()).canonicalFilePath());
}

TEST(FilePickers, ApplicationPickerOpensInTheApplicationsFolder)
{
    whenPanelShows([](QFileDialog* panel) {
        EXPECT_EQ(panel->windowTitle(), QStringLiteral("Choisir une application"));
        EXPECT_EQ(panel->labelText(QFileDialog::Accept), QStringLiteral("Ouvrir"));
        if (QDir(PanelPresenter::applicationsFolder()).exists()) {
            EXPECT_EQ(panel->directory().absolutePath(), PanelPresenter::applicationsFolder());
        }
        EXPECT_TRUE(panel->nameFilters().first().contains(QStringLiteral("*.desktop")));
        panel->reject();
    });
    EXPECT_FALSE(PanelPresenter::shared().pickApplication());
}

} // namespace
