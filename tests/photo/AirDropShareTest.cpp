// The share state machine against a fake service (no real one exists on Linux), and the real layer
// answering that there is none.
#include "photo/AirDropShare.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace quavel;

namespace {

class FakeShareService : public ShareService
{
public:
    void setDelegate(Delegate* delegate) override { m_delegate = delegate; }
    void perform(const QStringList& items) override { performed.append(items); }
    QImage image() const override { return QImage(); }

    // What the service would report; its items may differ from what was sent.
    void succeed(const QStringList& items = { "/other" }) { m_delegate->didShare(*this, items); }
    void fail() { m_delegate->didFailToShare(*this, {}, QStringLiteral("annulé")); }

    Delegate* delegate() const { return m_delegate; }
    QList<QStringList> performed;

private:
    Delegate* m_delegate = nullptr;
};

struct ShareFixture
{
    std::shared_ptr<FakeShareService> service = std::make_shared<FakeShareService>();
    AirDropShare share { [this] { return service; } };
    QList<QPair<int, QStringList>> calls; // (which completion, files)

    AirDropShare::Completion completion(int which)
    {
        return [this, which](const QStringList& files) { calls.append({ which, files }); };
    }
};

const QStringList kOrder = { "/orders/a/IMG_2.jpg", "/orders/a/IMG_1.jpg", "/orders/a/clip.mov" };

TEST(AirDropShare, ReportsTheSentFilesOnceAndOnlyOnSuccess)
{
    ShareFixture f;
    f.share.send(kOrder, f.completion(1));
    EXPECT_EQ(f.service->performed, QList<QStringList>({ kOrder }));
    EXPECT_EQ(f.service->delegate(), &f.share);
    EXPECT_EQ(f.share.pendingFiles(), kOrder);
    f.service->succeed();
    f.service->succeed();
    EXPECT_EQ(f.calls, (QList<QPair<int, QStringList>> { { 1, kOrder } }));
    EXPECT_TRUE(f.share.pendingFiles().isEmpty());
    EXPECT_FALSE(f.share.hasPendingCompletion());
    EXPECT_EQ(f.share.service(), f.service.get());
}

TEST(AirDropShare, FailureAndReplacementDropTheEarlierCompletion)
{
    const struct
    {
        const char* name;
        std::function<void(ShareFixture&)> between;
    } cases[] = {
        { "cancelled, then sent again", [](ShareFixture& f) { f.service->fail(); } },
        { "replaced while pending", [](ShareFixture&) {} },
    };
    for (const auto& c : cases) {
        ShareFixture f;
        f.share.send({ "/first.jpg" }, f.completion(1));
        c.between(f);
        f.share.send({ "/second.jpg", "/third.jpg" }, f.completion(2));
        f.service->succeed();
        EXPECT_EQ(f.calls, (QList<QPair<int, QStringList>> { { 2, { "/second.jpg", "/third.jpg" } } }))
            << c.name;
    }
    ShareFixture failed;
    failed.share.send(kOrder, failed.completion(1));
    failed.service->fail();
    failed.service->succeed();
    EXPECT_TRUE(failed.calls.isEmpty());
}

TEST(AirDropShare, AnEmptyListOrNoServiceDoesNothing)
{
    ShareFixture f;
    f.share.send({}, f.completion(1));
    EXPECT_TRUE(f.service->performed.isEmpty());
    EXPECT_EQ(f.share.service(), nullptr);

    // The real layer: there is no service for nearby devices on Linux.
    EXPECT_EQ(ShareService::nearbyDevice(), nullptr);
    bool called = false;
    AirDropShare::shared().send(kOrder, [&called](const QStringList&) { called = true; });
    EXPECT_FALSE(called);
    EXPECT_TRUE(AirDropShare::shared().pendingFiles().isEmpty());
    EXPECT_FALSE(AirDropShare::shared().hasPendingCompletion());
    EXPECT_EQ(AirDropShare::shared().service(), nullptr);
}

TEST(AirDropShare, ACompletionMayStartTheNextSend)
{
    ShareFixture f;
    f.share.send({ "/a.jpg" }, [&f](const QStringList&) { f.share.send({ "/b.jpg" }, f.completion(2)); });
    f.service->succeed();
    EXPECT_EQ(f.share.pendingFiles(), QStringList({ "/b.jpg" }));
    f.service->succeed();
    EXPECT_EQ(f.calls, (QList<QPair<int, QStringList>> { { 2, { "/b.jpg" } } }));
}

} // namespace
