#include "platform/UserDefaults.h"

#include "common/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace quavel;
using quavel::test::TempFolder;

namespace {

// Which typed getters answer for the value under "k".
struct Answers
{
    bool string, stringList, boolean, integer, number, data;
};

Answers answers(const UserDefaults& d)
{
    return { d.string("k").has_value(), d.stringList("k").has_value(), d.boolean("k").has_value(),
        d.integer("k").has_value(), d.number("k").has_value(), d.data("k").has_value() };
}

struct TypeCase
{
    const char* name;
    std::function<void(UserDefaults&)> set;
    Answers expected;
};

void PrintTo(const TypeCase& c, std::ostream* os)
{
    *os << c.name;
}

class UserDefaultsTypes : public ::testing::TestWithParam<TypeCase>
{
};

} // namespace

TEST_P(UserDefaultsTypes, eachGetterAnswersOnlyForItsOwnType)
{
    TempFolder dir;
    const QString path = dir.file("QUAVEL/defaults.json");
    {
        UserDefaults defaults(path);
        GetParam().set(defaults);
        const Answers a = answers(defaults);
        const Answers e = GetParam().expected;
        EXPECT_EQ(a.string, e.string);
        EXPECT_EQ(a.stringList, e.stringList);
        EXPECT_EQ(a.boolean, e.boolean);
        EXPECT_EQ(a.integer, e.integer);
        EXPECT_EQ(a.number, e.number);
        EXPECT_EQ(a.data, e.data);
    }
    // The same after a reload from the file.
    UserDefaults reloaded(path);
    const Answers a = answers(reloaded);
    const Answers e = GetParam().expected;
    EXPECT_EQ(a.string, e.string);
    EXPECT_EQ(a.stringList, e.stringList);
    EXPECT_EQ(a.boolean, e.boolean);
    EXPECT_EQ(a.integer, e.integer);
    EXPECT_EQ(a.number, e.number);
    EXPECT_EQ(a.data, e.data);
}

INSTANTIATE_TEST_SUITE_P(Values, UserDefaultsTypes,
    ::testing::Values(
        TypeCase { "absent", [](UserDefaults&) {}, { false, false, false, false, false, false } },
        TypeCase { "emptyList", [](UserDefaults& d) { d.setStringList("k", {}); },
            { false, true, false, false, false, false } },
        TypeCase { "emptyText", [](UserDefaults& d) { d.setString("k", ""); },
            { true, false, false, false, false, false } },
        TypeCase { "text", [](UserDefaults& d) { d.setString("k", "dark"); },
            { true, false, false, false, false, false } },
        TypeCase { "flag", [](UserDefaults& d) { d.setBoolean("k", false); },
            { false, false, true, false, false, false } },
        TypeCase { "integer", [](UserDefaults& d) { d.setInteger("k", 0); },
            { false, false, false, true, true, false } },
        TypeCase { "number", [](UserDefaults& d) { d.setNumber("k", 1.5); },
            { false, false, false, false, true, false } },
        TypeCase { "bytes", [](UserDefaults& d) { d.setData("k", QByteArray("\0\1", 2)); },
            { false, false, false, false, false, true } },
        TypeCase { "removed",
            [](UserDefaults& d) {
                d.setString("k", "x");
                d.remove("k");
            },
            { false, false, false, false, false, false } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UserDefaults, valuesSurviveAReloadExactly)
{
    TempFolder dir;
    const QString path = dir.file("QUAVEL/defaults.json");
    const QByteArray bytes("\0\xff\x01 bookmark", 12);
    {
        UserDefaults d(path);
        d.setString("quavel.appearance", "dark");
        d.setStringList("quavel.preferredPeerNames.mac.v2", { "iPhone de Léa", "" });
        d.setInteger("big", std::numeric_limits<qint64>::min());
        d.setData("quavel.bookmark", bytes);
        d.setBoolean("tableurHistoryExpanded", true);
    }
    UserDefaults d(path);
    EXPECT_EQ(d.string("quavel.appearance"), "dark");
    EXPECT_EQ(d.stringList("quavel.preferredPeerNames.mac.v2"), (QStringList { "iPhone de Léa", "" }));
    EXPECT_EQ(d.integer("big"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(d.data("quavel.bookmark"), bytes);
    EXPECT_EQ(d.boolean("tableurHistoryExpanded"), true);
    // A key that merely looks like another is another key.
    EXPECT_FALSE(d.string("quavel.Appearance"));
}

TEST(UserDefaults, aListWithAnElementOfAnotherTypeIsNoTextList)
{
    TempFolder dir;
    dir.write("defaults.json", R"({"k": ["a", 1], "n": 18446744073709551615})");
    UserDefaults d(dir.file("defaults.json"));
    EXPECT_TRUE(d.contains("k"));
    EXPECT_FALSE(d.stringList("k"));
    // Past the signed 64-bit range: no integer, still a number.
    EXPECT_FALSE(d.integer("n"));
    EXPECT_TRUE(d.number("n"));
}

TEST(UserDefaults, anUnreadableFileIsSetAsideBeforeTheFirstWrite)
{
    TempFolder dir;
    dir.write("defaults.json", "{ not json");
    UserDefaults d(dir.file("defaults.json"));
    EXPECT_FALSE(d.string("quavel.appearance"));
    // Reading alone changes nothing on disk.
    EXPECT_EQ(dir.read("defaults.json"), "{ not json");

    d.setString("quavel.appearance", "light");
    const QStringList aside = QDir(dir.path()).entryList({ "defaults.json.unreadable-*" }, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(dir.read(aside.first()), "{ not json");
    EXPECT_EQ(UserDefaults(dir.file("defaults.json")).string("quavel.appearance"), "light");

    // Only once: later writes do not set the good file aside.
    d.setString("quavel.appearance", "dark");
    EXPECT_EQ(QDir(dir.path()).entryList({ "defaults.json.unreadable-*" }, QDir::Files).size(), 1);
}

// Values nested past the limit make the whole file unreadable (the writer recurses per level, and deep
// texts grow by their indentation at every write); up to the limit they are kept as they are.
TEST(UserDefaults, aTooDeeplyNestedFileIsUnreadableAndTheDefaultsApply)
{
    for (const int levels : { 63, 64, 100000 }) {
        TempFolder dir;
        const QByteArray value = QByteArray(levels, '[') + QByteArray(levels, ']');
        dir.write("defaults.json", R"({"quavel.appearance": "dark", "deep": )" + value + "}");
        UserDefaults d(dir.file("defaults.json"));
        const bool readable = levels < 64; // the file's own object is one level
        EXPECT_EQ(d.string("quavel.appearance").has_value(), readable) << levels;
        d.setBoolean("quavel.flag", true);
        const QStringList aside = QDir(dir.path()).entryList({ "defaults.json.unreadable-*" }, QDir::Files);
        EXPECT_EQ(aside.size(), readable ? 0 : 1) << levels;
        UserDefaults again(dir.file("defaults.json"));
        EXPECT_EQ(again.boolean("quavel.flag"), true) << levels;
        EXPECT_EQ(again.contains("deep"), readable) << levels;
    }
}

TEST(UserDefaults, standardLivesUnderTheConfigHome)
{
    EXPECT_EQ(
        UserDefaults::standardPath(), qEnvironmentVariable("XDG_CONFIG_HOME") + "/QUAVEL/defaults.json");
    UserDefaults::standard().setString("quavel.appearance", "system");
    EXPECT_TRUE(QFile::exists(UserDefaults::standardPath()));
}
