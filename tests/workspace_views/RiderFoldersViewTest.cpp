// The "Paniers" screen over a real rider-folders store in a temporary folder, with real programme
// files, real pickers (answered through the shared presenter) and real destination folders.
#include "workspace/views/RiderFoldersView.h"
#include "common/TestSupport.h"
#include "ui/CapsuleButton.h"
#include "ui/LinkedGroup.h"
#include "ui/Notifications.h"
#include "ui/PanelPresenter.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/views/RiderListModel.h"
#include "workspace/views/RiderTable.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace quavel;

namespace {

ImportedPerson rider(const QString& bib, const QString& first, const QString& last)
{
    return ImportedPerson { bib, first, last, 0 };
}

ProgrammeDocument programmeOf(const QList<ImportedPerson>& people)
{
    return { QStringLiteral("Concours.pdf"),
        { { QStringLiteral("Samedi"),
            { { QStringLiteral("Samedi|Vitesse"), QStringLiteral("Vitesse"), people } } } } };
}

// A PDF whose lines the programme reader reads, one every 14 points.
QString writePdf(const QString& path, const QStringList& lines)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    painter.setFont(font);
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(40, 60 + 14.0 * double(i)), lines[i]);
    return path;
}

// Answers every picker shown while it lives: `act` gets the panel and must close it.
class PanelAnswer
{
public:
    explicit PanelAnswer(std::function<void(QFileDialog*)> act)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, act] {
            QFileDialog* panel = PanelPresenter::shared().panel();
            if (!panel || !panel->isVisible() || panel == m_last)
                return;
            m_last = panel;
            ++shown;
            titles.append(panel->windowTitle());
            act(panel);
        });
        m_timer.start(10);
    }

    int shown = 0;
    QStringList titles;

private:
    QTimer m_timer;
    QPointer<QFileDialog> m_last;
};

void pick(QFileDialog* panel, const QString& path)
{
    // Typed into the name field, as a user would: the panel's own selection waits for its folder model.
    if (panel->fileMode() == QFileDialog::Directory)
        panel->setDirectory(path);
    else
        panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    QMetaObject::invokeMethod(panel, "accept", Qt::QueuedConnection);
}

class RiderFoldersViewTest : public ::testing::Test
{
protected:
    test::TempFolder temp;
    RiderFoldersStore store { temp.file(QStringLiteral("RiderFolders")) };
    QStringList opened;
    std::unique_ptr<RiderFoldersView> view;

    void SetUp() override
    {
        QDir().mkpath(store.folder());
        view = std::make_unique<RiderFoldersView>(store, [this](const QString& f) { opened.append(f); });
        view->resize(900, 600);
        view->show();
    }

    template <typename T> T* child(const char* name) const
    {
        return view->findChild<T*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const { return child<QLabel>(name)->text(); }
    bool shown(const char* name) const { return child<QWidget>(name)->isVisible(); }
    CapsuleButton* createButton() const { return child<CapsuleButton>("createFolders"); }
    RiderListModel* model() const { return view->findChild<RiderTable*>()->riders(); }

    QString destination(const QString& name)
    {
        const QString path = temp.file(name);
        QDir().mkpath(path);
        return path;
    }
};

TEST_F(RiderFoldersViewTest, EmptyScreenInvitesToImportAndCannotCreate)
{
    EXPECT_EQ(child<CapsuleButton>("importProgramme")->text(), "Importer");
    EXPECT_EQ(child<LinkedValue>("programmeValue")->value(), "PDF, Excel ou page internet");
    EXPECT_EQ(child<LinkedValue>("destinationValue")->value(), "Dossier des dossiers NOM PRENOM");
    EXPECT_EQ(text("summaryLine"),
        "Choisissez un programme (fichier ou page internet), puis un dossier de destination.");
    EXPECT_EQ(text("emptyText"), "Importez un programme pour voir les noms.");
    EXPECT_TRUE(shown("emptyText"));
    EXPECT_FALSE(view->findChild<RiderTable*>()->isVisible());
    EXPECT_FALSE(createButton()->isEnabled());
    EXPECT_FALSE(shown("parseError"));
    EXPECT_FALSE(shown("report"));
}

TEST_F(RiderFoldersViewTest, SummaryAndListFollowTheProgramme)
{
    struct Case
    {
        QList<ImportedPerson> people;
        const char* summary;
        int rows;
    };
    const Case cases[] = {
        { { rider("1", "Anne", "  dupont ") }, "1 cavalier · un dossier NOM PRENOM chacun", 1 },
        { { rider("1", "Anne", "dupont"), rider("2", "zoé", "Lefèvre") },
            "2 cavaliers · un dossier NOM PRENOM chacun", 2 },
        { { rider("12", "", ""), rider("13", " ", "") }, "Aucun cavalier avec nom et prénom.", 0 },
    };
    store.storeDestination(destination(QStringLiteral("dest")));
    for (const Case& c : cases) {
        store.setProgramme(programmeOf(c.people));
        EXPECT_EQ(text("summaryLine"), QString::fromUtf8(c.summary));
        EXPECT_EQ(model()->rowCount(), c.rows);
        EXPECT_EQ(shown("emptyText"), c.rows == 0);
        EXPECT_EQ(createButton()->isEnabled(), c.rows > 0) << c.summary;
        EXPECT_EQ(child<CapsuleButton>("importProgramme")->text(), "Remplacer");
    }
    EXPECT_EQ(text("emptyText"), "Aucun nom et prénom exploitable dans ce programme.");

    store.setProgramme(programmeOf({ rider("2", "zoé", "Lefèvre"), rider("1", "Anne", "  dupont ") }));
    EXPECT_EQ(model()->headerData(0, Qt::Horizontal).toString(), "Nom");
    EXPECT_EQ(model()->headerData(1, Qt::Horizontal).toString(), "Prénom");
    EXPECT_EQ(model()->index(0, 0).data().toString(), "DUPONT");
    EXPECT_EQ(model()->index(0, 1).data().toString(), "ANNE");
    EXPECT_EQ(model()->index(1, 0).data().toString(), "LEFÈVRE");
    EXPECT_EQ(model()->index(1, 1).data().toString(), "ZOÉ");
}

TEST_F(RiderFoldersViewTest, CreatesTheFoldersInTheDestinationAndShowsIt)
{
    const QString dest = destination(QStringLiteral("Paniers Samedi"));
    store.setProgramme(
        programmeOf({ rider("1", "Anne", "Dupont"), rider("2", "Zoé", "Lefèvre"), rider("3", "", "") }));
    store.storeDestination(dest);
    ASSERT_TRUE(createButton()->isEnabled());

    // The opener runs at the end of the run: the button still says so and is disabled.
    QString labelWhileRunning;
    bool enabledWhileRunning = true;
    view = std::make_unique<RiderFoldersView>(store, [&](const QString& f) {
        opened.append(f);
        labelWhileRunning = createButton()->text();
        enabledWhileRunning = createButton()->isEnabled();
    });
    view->show();
    createButton()->click();
    EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/DUPONT ANNE")).isDir());
    EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/LEFÈVRE ZOÉ")).isDir());
    EXPECT_EQ(opened, QStringList { dest });
    EXPECT_EQ(labelWhileRunning, "Création…");
    EXPECT_FALSE(enabledWhileRunning);
    EXPECT_EQ(createButton()->text(), "Créer les dossiers");
    EXPECT_TRUE(createButton()->isEnabled());
    EXPECT_TRUE(shown("report"));
    EXPECT_EQ(text("reportHeadline"), "2 dossiers vides créés");
    EXPECT_EQ(text("reportMessages"), "2 dossiers NOM PRENOM créés");
    EXPECT_FALSE(view->parseError());

    // Again: nothing is overwritten, and the report says so.
    createButton()->click();
    EXPECT_EQ(text("reportHeadline"), "Tous les dossiers étaient déjà présents (2)");
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(RiderFoldersViewTest, ReportWithoutHeadlineCountsFolders)
{
    OrganizerReport report;
    for (auto [folders, expected] :
        { std::pair { 0, "0 dossier" }, { 1, "1 dossier" }, { 2, "2 dossiers" } }) {
        report.folders = folders;
        EXPECT_EQ(RiderFoldersView::reportHeadline(report), QString::fromUtf8(expected));
    }
    report.headline = QStringLiteral("Aucun dossier créé");
    EXPECT_EQ(RiderFoldersView::reportHeadline(report), "Aucun dossier créé");
}

TEST_F(RiderFoldersViewTest, MissingOrVanishedDestinationBlocksTheCreation)
{
    store.setProgramme(programmeOf({ rider("1", "Anne", "Dupont") }));
    EXPECT_FALSE(createButton()->isEnabled());
    view->createFolders();
    EXPECT_EQ(text("parseError"), "Choisissez d’abord le dossier de destination.");
    EXPECT_TRUE(shown("parseError"));

    const QString dest = destination(QStringLiteral("moved"));
    store.storeDestination(dest);
    EXPECT_TRUE(createButton()->isEnabled());
    ASSERT_TRUE(QDir(dest).removeRecursively());
    // Nothing told the screen; coming back to the window re-evaluates the destination.
    QEvent activation(QEvent::ActivationChange);
    QApplication::setActiveWindow(view.get());
    QApplication::sendEvent(view.get(), &activation);
    EXPECT_FALSE(createButton()->isEnabled());
    view->createFolders();
    EXPECT_EQ(view->parseError(), "Choisissez d’abord le dossier de destination.");
    EXPECT_FALSE(QFileInfo::exists(dest));
    EXPECT_TRUE(opened.isEmpty());

    // Choosing a folder again repairs it and clears the error line; a cancelled picker changes nothing.
    const QString again = destination(QStringLiteral("again"));
    {
        PanelAnswer answer([&](QFileDialog* panel) { pick(panel, again); });
        view->importDestination();
        EXPECT_EQ(answer.titles, QStringList { "Dossier de destination" });
    }
    EXPECT_FALSE(view->parseError());
    EXPECT_EQ(child<LinkedValue>("destinationValue")->value(), "again");
    EXPECT_TRUE(createButton()->isEnabled());
    view->createFolders();
    ASSERT_TRUE(view->report());
    PanelAnswer cancel([](QFileDialog* panel) { panel->reject(); });
    view->importDestination();
    view->importProgramme();
    EXPECT_EQ(cancel.shown, 2);
    EXPECT_EQ(child<LinkedValue>("destinationValue")->value(), "again");
    EXPECT_TRUE(view->report());
}

TEST_F(RiderFoldersViewTest, ImportsProgrammeFilesThroughThePicker)
{
    const QString empty = writePdf(temp.file(QStringLiteral("Sans épreuve.pdf")), { "Samedi", "Dimanche" });
    const QString riders = writePdf(temp.file(QStringLiteral("Programme 12-05.pdf")),
        { "Epreuve 3 - Vitesse", "(1,20 m)", "12 DUPONT Marie", "7 MARTIN Paul" });
    const QString broken = temp.write(QStringLiteral("cassé.pdf"), "pas un PDF");
    QString next;
    PanelAnswer answer([&](QFileDialog* panel) { pick(panel, next); });
    // The import runs on the store's programme worker; the screen shows its outcome when it is done.
    const auto imported = [&] { return test::waitUntil([&] { return !store.isImportingProgramme(); }); };

    next = empty;
    view->importProgramme();
    ASSERT_TRUE(imported());
    EXPECT_EQ(view->parseError(), "Aucune épreuve exploitable n’a été lue dans ce fichier.");
    EXPECT_EQ(child<CapsuleButton>("importProgramme")->text(), "Remplacer");
    EXPECT_EQ(child<LinkedValue>("programmeValue")->value(), "Sans épreuve.pdf");

    next = riders;
    view->importProgramme();
    ASSERT_TRUE(imported());
    EXPECT_FALSE(view->parseError());
    EXPECT_EQ(child<LinkedValue>("programmeValue")->value(), "Programme 12-05.pdf");
    EXPECT_EQ(text("summaryLine"), "2 cavaliers · un dossier NOM PRENOM chacun");
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(model()->index(1, 0).data().toString(), "MARTIN");

    // A failed import keeps the programme and the last report; a good one clears the report.
    store.storeDestination(destination(QStringLiteral("dest")));
    view->createFolders();
    ASSERT_TRUE(view->report());
    next = broken;
    view->importProgramme();
    ASSERT_TRUE(imported());
    EXPECT_EQ(text("parseError"), "Impossible de lire ce fichier type.");
    EXPECT_TRUE(view->report());
    EXPECT_EQ(model()->rowCount(), 2);
    next = riders;
    view->importProgramme();
    ASSERT_TRUE(imported());
    EXPECT_FALSE(view->report());
    EXPECT_FALSE(shown("report"));
    EXPECT_EQ(answer.shown, 4);
}

TEST_F(RiderFoldersViewTest, NotificationsReachTheScreenOnlyWhileItExists)
{
    QSignalSpy web(&Notifications::instance(), &Notifications::quavelImportProgrammeWeb);
    child<CapsuleButton>("importProgrammeWeb")->click();
    EXPECT_EQ(web.count(), 1);

    PanelAnswer answer([](QFileDialog* panel) { panel->reject(); });
    Notifications::instance().post(QStringLiteral("quavelImportProgramme"));
    EXPECT_EQ(answer.titles, QStringList { "Importer le programme" });
    EXPECT_FALSE(view->parseError());

    view.reset();
    Notifications::instance().post(QStringLiteral("quavelImportProgramme"));
    EXPECT_EQ(answer.shown, 1);
}

} // namespace
