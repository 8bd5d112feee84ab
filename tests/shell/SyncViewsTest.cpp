// The sync badge, the device picker and the device panel, driven by a sync source in each state.
#include "Fakes.h"

#include "shell/DevicePresentation.h"
#include "shell/DeviceSyncPanel.h"
#include "shell/SyncBadge.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;
using Kind = SyncStatusSource::Status::Kind;

namespace {

struct BadgeCase
{
    const char* name;
    Kind kind;
    const char* payload;
    const char* title; // nullptr: none
    const char* shown;
    bool retries;
};

class BadgeStates : public ::testing::TestWithParam<BadgeCase>
{
};

TEST_P(BadgeStates, TextDotTooltipAndClick)
{
    const BadgeCase c = GetParam();
    SyncBadge badge;
    int retries = 0;
    badge.setOnRetry([&] { ++retries; });
    badge.setStatus({ c.kind, QString::fromUtf8(c.payload) },
        c.title ? std::optional(QString::fromUtf8(c.title)) : std::nullopt);
    badge.resize(260, 32);
    badge.show();
    EXPECT_EQ(badge.shownText(), QString::fromUtf8(c.shown));
    const bool dark = Theme::isDark(&badge);
    const QColor dot = c.kind == Kind::synced ? Theme::green(dark)
        : c.kind == Kind::failed              ? Theme::red(dark)
        : c.kind == Kind::idle                ? Theme::secondary(dark)
                                              : Theme::orange(dark);
    EXPECT_EQ(badge.dotColor(), dot);
    EXPECT_EQ(badge.toolTip(),
        c.kind == Kind::synced ? QString::fromUtf8(c.shown)
                               : QStringLiteral("Cliquer pour relancer la synchro"));
    QTest::mouseClick(&badge, Qt::LeftButton, {}, QPoint(200, 16));
    EXPECT_EQ(retries, c.retries ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(States, BadgeStates,
    ::testing::Values(BadgeCase { "idle", Kind::idle, "", nullptr, "Inactif", true },
        BadgeCase { "searching", Kind::searching, "", nullptr, "Recherche…", true },
        BadgeCase {
            "connecting", Kind::connecting, "QUAVEL iOS 1F3A", nullptr, "Lien avec QUAVEL iOS 1F3A…", true },
        BadgeCase { "synced", Kind::synced, "QUAVEL iOS 1F3A", "Synchronisé · iPhone 1F3A",
            "Synchronisé · iPhone 1F3A", false },
        BadgeCase { "failed", Kind::failed, "Accès au réseau local refusé", "Recherche impossible",
            "Recherche impossible", true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SyncBadgeFollowing, ShowsTheSourcesStatusLineAndRestartsIt)
{
    FakeSync sync;
    SyncBadge badge;
    badge.follow(&sync);
    badge.resize(260, 32);
    EXPECT_EQ(badge.shownText(), QStringLiteral("Inactif"));
    sync.set({ Kind::searching, {} }, QStringLiteral("Appareils hors de portée"));
    EXPECT_EQ(badge.shownText(), QStringLiteral("Appareils hors de portée"));
    QTest::mouseClick(&badge, Qt::LeftButton);
    EXPECT_EQ(sync.calls, QStringList { "restart" });
}

struct PickerCase
{
    const char* name;
    QStringList preferred, nearby, listed;
    const char* symbol;
    const char* title;
};

class PickerStates : public ::testing::TestWithParam<PickerCase>
{
};

TEST_P(PickerStates, SymbolAndTitle)
{
    const PickerCase c = GetParam();
    FakeSync sync;
    sync.setPeers(c.preferred, c.nearby, c.listed);
    NearbyDevicePicker picker(sync);
    EXPECT_EQ(picker.symbol(), QString::fromUtf8(c.symbol));
    EXPECT_EQ(picker.title(), QString::fromUtf8(c.title));
}

INSTANTIATE_TEST_SUITE_P(States, PickerStates,
    ::testing::Values(PickerCase { "nothing", {}, {}, {}, "iphone", "Choisir un appareil" },
        PickerCase { "oneListed", {}, { "Atelier" }, { "Atelier" }, "iphone", "1 appareil à proximité" },
        PickerCase {
            "threeListed", {}, { "A", "B", "C" }, { "A", "B", "C" }, "iphone", "3 appareils à proximité" },
        PickerCase { "androidAway", { "QUAVEL Android 77C0" }, {}, { "QUAVEL Android 77C0" }, "candybarphone",
            "Android 77C0 · hors de portée" },
        PickerCase { "oneNearby", { "QUAVEL iOS 1F3A" }, { "quavel ios 1f3a" }, { "QUAVEL iOS 1F3A" },
            "iphone", "iPhone 1F3A" },
        PickerCase { "threeEnabledTwoOnline", { "QUAVEL iOS A", "QUAVEL iOS B", "QUAVEL iOS C" },
            { "QUAVEL iOS A", "QUAVEL iOS C" }, { "QUAVEL iOS A", "QUAVEL iOS B", "QUAVEL iOS C" },
            "antenna.radiowaves.left.and.right", "3 appareils · 2 en ligne" },
        PickerCase { "firstEnabledAndroid", { "QUAVEL Android X", "QUAVEL iOS B" }, {}, {}, "candybarphone",
            "2 appareils · 0 en ligne" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceRows, StateTextFollowsLinkAndRange)
{
    using DevicePresentation::rowState;
    EXPECT_EQ(rowState(true, true, true), QStringLiteral("Synchronisé"));
    EXPECT_EQ(rowState(false, true, true), QStringLiteral("Lien en cours"));
    EXPECT_EQ(rowState(false, true, false), QStringLiteral("En ligne"));
    EXPECT_EQ(rowState(false, false, true), QStringLiteral("Hors de portée"));
    EXPECT_EQ(DevicePresentation::deviceSymbol(QStringLiteral("QUAVEL Android 1")),
        QStringLiteral("candybarphone"));
    EXPECT_EQ(DevicePresentation::deviceSymbol(QStringLiteral("quavel android 1")), QStringLiteral("iphone"));
}

class DevicePanelTest : public ::testing::Test
{
protected:
    FakeSync sync;
    QWidget* rowOf(DeviceSyncPanel& panel, const QString& name)
    {
        for (QWidget* w : panel.findChildren<QWidget*>())
            if (w->property("deviceName").toString() == name)
                return w;
        return nullptr;
    }
    static QString text(QWidget* row, const char* name)
    {
        return row->findChild<QLabel*>(QLatin1String(name))->text();
    }
};

TEST_F(DevicePanelTest, EmptyListSaysSoAndRefreshAsksTheService)
{
    DeviceSyncPanel panel(sync);
    EXPECT_TRUE(panel.shownNames().isEmpty());
    bool saysNone = false;
    for (QLabel* l : panel.findChildren<QLabel*>())
        saysNone |= l->text() == QStringLiteral("Aucun appareil détecté");
    EXPECT_TRUE(saysNone);
    panel.findChild<QAbstractButton*>(QStringLiteral("refreshPeers"))->click();
    EXPECT_EQ(sync.calls, QStringList { "refreshPeers" });
    EXPECT_EQ(panel.width(), 340);
}

TEST_F(DevicePanelTest, RowsShowStateAndTheBoxGoesThroughTheService)
{
    sync.setPeers({ "QUAVEL iOS 1F3A", "Atelier" }, { "QUAVEL iOS 1F3A", "Studio" },
        { "Atelier", "QUAVEL iOS 1F3A", "Studio" }, { "QUAVEL iOS 1F3A" });
    DeviceSyncPanel panel(sync);
    EXPECT_EQ(panel.shownNames(), (QStringList { "Atelier", "QUAVEL iOS 1F3A", "Studio" }));
    QWidget* linked = rowOf(panel, "QUAVEL iOS 1F3A");
    EXPECT_EQ(text(linked, "deviceTitle"), QStringLiteral("iPhone 1F3A"));
    EXPECT_EQ(text(linked, "deviceState"), QStringLiteral("Synchronisé"));
    EXPECT_EQ(text(rowOf(panel, "Atelier"), "deviceState"), QStringLiteral("Hors de portée"));
    EXPECT_EQ(text(rowOf(panel, "Studio"), "deviceState"), QStringLiteral("En ligne"));
    EXPECT_TRUE(linked->findChild<QCheckBox*>()->isChecked());

    // Unchecking disables the device and drops its link; still browsed, it is then only online.
    sync.m_linked.clear();
    linked->findChild<QCheckBox*>()->setChecked(false);
    EXPECT_TRUE(sync.calls.contains(QStringLiteral("enable:QUAVEL iOS 1F3A:0")));
    QApplication::processEvents();
    linked = rowOf(panel, "QUAVEL iOS 1F3A");
    EXPECT_FALSE(linked->findChild<QCheckBox*>()->isChecked());
    EXPECT_EQ(text(linked, "deviceState"), QStringLiteral("En ligne"));

    // The box never keeps a value the service did not take.
    sync.keepsPreferences = true;
    rowOf(panel, "Studio")->findChild<QCheckBox*>()->setChecked(true);
    EXPECT_EQ(sync.calls.last(), QStringLiteral("enable:Studio:1"));
    EXPECT_FALSE(rowOf(panel, "Studio")->findChild<QCheckBox*>()->isChecked());
    sync.keepsPreferences = false;

    rowOf(panel, "Studio")->findChild<QAbstractButton*>(QStringLiteral("deviceForget"))->click();
    QApplication::processEvents();
    EXPECT_EQ(sync.calls.last(), QStringLiteral("forget:Studio"));
    EXPECT_FALSE(panel.shownNames().contains(QStringLiteral("Studio")));
}

TEST_F(DevicePanelTest, PickerTogglesItsPanel)
{
    NearbyDevicePicker picker(sync);
    picker.show();
    EXPECT_FALSE(picker.isPanelShown());
    picker.togglePanel();
    EXPECT_TRUE(picker.isPanelShown());
    ASSERT_TRUE(picker.panel());
    picker.togglePanel();
    QApplication::processEvents();
    EXPECT_FALSE(picker.isPanelShown());
}

} // namespace
