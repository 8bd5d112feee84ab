// Printing from the orders screen through the real print entry and panel, into a real PDF file: the
// photos drawn are marked delivered (an unreadable one is not), the marks are there after a restart,
// and a cancelled panel or a selection without photos marks nothing.
#include "OrdersViewFixture.h"

#include "photo/print/PrintInfoMemory.h"
#include "photo/views/PrintPanel.h"
#include "photo/views/PrintSession.h"
#include "platform/files/NativeName.h"
#include "platform/pdf/PdfDocument.h"

#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

using namespace quavel;
using namespace quavel::test;

namespace {

struct Printing : public ::testing::Test
{
    OrdersViewFixture f;
    QString a, b, broken, clip;
    int panels = 0;

    void SetUp() override
    {
        PrintInfoMemory::resetForTesting();
        a = f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"), Qt::red, QSize(60, 90));
        b = f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_0002.jpg"), Qt::blue, QSize(90, 60));
        broken = f.tmp.write(QStringLiteral("Commandes/Dupont/IMPRESSION A5/IMG_0003.jpg"), "not a photo");
        clip = f.video(QStringLiteral("Dupont/IMPRESSION A5/IMG_0004.mp4"));
        f.openOn(QStringLiteral("Dupont"));
        open();
    }
    void TearDown() override { PrintInfoMemory::resetForTesting(); }

    void open()
    {
        f.show();
        QApplication::setActiveWindow(f.window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    }

    // Answers the print panel when it comes: into a PDF file (accept) or cancelled.
    std::unique_ptr<QTimer> answerPanel(bool accept, const QString& pdf = {})
    {
        auto timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, accept, pdf] {
            auto* panel = f.window->findChild<PrintPanel*>();
            if (!panel || !panel->isVisible() || !PrintSession::current())
                return;
            ++panels;
            if (!accept) {
                panel->reject();
                return;
            }
            PrintSession::current()->printer().setOutputFormat(QPrinter::PdfFormat);
            PrintSession::current()->printer().setOutputFileName(pdf);
            panel->accept();
        });
        timer->start(20);
        return timer;
    }
};

TEST_F(Printing, ThePrintedPhotosAreDeliveredAndStaySoAfterARestart)
{
    const QString pdf = f.tmp.file(QStringLiteral("job.pdf"));
    const auto answering = answerPanel(true, pdf);
    f.view->screen().selectAll();
    QTest::keyClick(f.view, Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return f.store->isDelivered(a) && f.store->isDelivered(b); }, 30000));
    EXPECT_EQ(panels, 1);
    EXPECT_FALSE(f.store->isDelivered(broken)) << "printed white, not delivered";
    EXPECT_FALSE(f.store->isDelivered(clip)) << "videos are not printed";
    const auto document = PdfDocument::open(pdf);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->pageCount(), 3);
    for (OrderMediaCell* cell : f.cells())
        EXPECT_EQ(cell->state().isDelivered, cell->state().item.url == a || cell->state().item.url == b)
            << cell->state().item.url.toStdString();

    // A restart: a new store reads the settings file, a new screen shows the badges.
    f.openStore();
    open();
    ASSERT_EQ(f.view->detail()->face(), OrdersDetail::Face::order);
    int delivered = 0;
    for (OrderMediaCell* cell : f.cells())
        delivered += cell->state().isDelivered ? 1 : 0;
    EXPECT_EQ(delivered, 2);
    EXPECT_TRUE(f.gallery().cellFor(a)->state().isDelivered);
}

// A photo from a disk written by another system, its name not UTF-8: shown with U+FFFD, thumbnailed,
// printed from its context menu (the job reads its very bytes, else it prints white and is not
// delivered), marked delivered; after a restart the settings file reads back with every mark, and its
// own mark matches it again.
TEST_F(Printing, APhotoWhoseNameIsNotUtf8IsPrintedAndStaysDeliveredAfterARestart)
{
    const QString plain = f.photo(QStringLiteral("Dupont/IMPRESSION A4/plain.jpg"), Qt::green, QSize(90, 60));
    const QString odd
        = f.path(QStringLiteral("Dupont/IMPRESSION A4/")) + NativeName::decode("IMG_\xE9t\xE9.jpg");
    ASSERT_EQ(::rename(QFile::encodeName(plain).constData(), NativeName::encode(odd).constData()), 0);
    f.store->markDelivered({ b });
    f.store->loadSections();
    settle();
    OrderMediaCell* cell = f.gallery().cellFor(odd);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->shownName(), QStringLiteral("IMG_\uFFFDt\uFFFD.jpg"));
    ASSERT_TRUE(f.waitForThumbnails(30000));
    EXPECT_FALSE(f.gallery().cellFor(odd)->image().isNull());

    const QString pdf = f.tmp.file(QStringLiteral("odd.pdf"));
    const auto answering = answerPanel(true, pdf);
    std::unique_ptr<QMenu> menu(OrderFileActions::fileMenu(f.view->screen(), { odd, false }, nullptr));
    QMenu* print = nullptr;
    for (QAction* action : menu->actions())
        if (action->menu())
            print = action->menu();
    ASSERT_TRUE(print);
    print->actions().first()->trigger(); // A5
    ASSERT_TRUE(waitUntil([&] { return f.store->isDelivered(odd); }, 30000));
    EXPECT_EQ(PdfDocument::open(pdf)->pageCount(), 1);
    EXPECT_FALSE(NativeName::hasEscapes(NativeName::decode(readFile(f.settingsPath())))) << "valid UTF-8";

    f.openStore();
    open();
    EXPECT_TRUE(f.store->isDelivered(odd));
    EXPECT_TRUE(f.store->isDelivered(b));
    EXPECT_FALSE(f.store->isDelivered(a));
    EXPECT_EQ(f.store->deliveredPaths().size(), 2);
    ASSERT_TRUE(f.gallery().cellFor(odd));
    EXPECT_TRUE(f.gallery().cellFor(odd)->state().isDelivered);
}

TEST_F(Printing, ACancelledPanelOrNoPhotoToPrintMarksNothing)
{
    const auto answering = answerPanel(false);
    // The context menu's print entry on one photo, on a paper: the panel comes and is cancelled.
    std::unique_ptr<QMenu> menu(OrderFileActions::fileMenu(f.view->screen(), { a, false }, nullptr));
    QMenu* print = nullptr;
    for (QAction* action : menu->actions())
        if (action->menu())
            print = action->menu();
    ASSERT_TRUE(print);
    print->actions().first()->trigger(); // A5
    ASSERT_TRUE(waitUntil([&] { return panels == 1; }));
    ASSERT_TRUE(waitUntil([] { return !PrintSession::current(); }));
    EXPECT_TRUE(f.store->deliveredPaths().isEmpty());

    // Ctrl+P with nothing selected, then with only the video: no panel at all.
    QTest::keyClick(f.view, Qt::Key_P, Qt::ControlModifier);
    f.view->screen().click({ clip, true }, { false, false });
    QTest::keyClick(f.view, Qt::Key_P, Qt::ControlModifier);
    settle();
    // A print starts its session and opens its panel before the key's call returns: none was started
    // (nor answered since).
    EXPECT_EQ(panels, 1);
    EXPECT_FALSE(PrintSession::current());
    EXPECT_TRUE(f.store->deliveredPaths().isEmpty());
}

} // namespace
