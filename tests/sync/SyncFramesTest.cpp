#include "sync/SyncFrames.h"
#include "FakeNetwork.h"
#include "library/QuavelJSON.h"
#include "library/SyncEnvelope.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace quavel::test {
namespace {

QByteArray helloPayload(const QString& name)
{
    return QByteArray::fromStdString(nlohmann::json { { "kind", "hello" }, { "platform", "ios" },
        { "peerName",
            name.toStdString() } }.dump());
}

// Drains the buffer, collecting the announced names in order.
QStringList drainNames(QByteArray& buffer, SyncFrames::DrainResult* result = nullptr)
{
    QStringList names;
    auto r = SyncFrames::drain(buffer, [&](SyncEnvelope& e) {
        names.append(e.peerName.value_or(QStringLiteral("-")));
        return true;
    });
    if (result)
        *result = r;
    return names;
}

TEST(SyncFrames, EncodesLengthThenSortedJson)
{
    SyncEnvelope e;
    e.kind = SyncEnvelopeKind::requestLibrary;
    e.platform = QStringLiteral("mac");
    const QByteArray frame = *SyncFrames::encode(e);
    const QByteArray json = frame.mid(4);
    EXPECT_EQ(qFromBigEndian<quint32>(frame.constData()), quint32(json.size()));
    EXPECT_EQ(json, QByteArray("{\n  \"kind\": \"requestLibrary\",\n  \"platform\": \"mac\"\n}"));
}

TEST(SyncFrames, FrameSplitAnywhereIsHandledOnceWhenComplete)
{
    const QByteArray stream = frameOf(helloPayload("A")) + frameOf(helloPayload("B"));
    for (qsizetype cut1 = 1; cut1 < stream.size(); cut1 += 3) {
        QByteArray buffer;
        QStringList seen;
        // Three receives: [0,cut1), [cut1, cut1+2), rest; header splits included.
        const qsizetype cut2 = std::min(stream.size(), cut1 + 2);
        for (const QByteArray& piece :
            { stream.left(cut1), stream.mid(cut1, cut2 - cut1), stream.mid(cut2) }) {
            buffer += piece;
            seen += drainNames(buffer);
        }
        EXPECT_EQ(seen, (QStringList { "A", "B" })) << "cut at " << cut1;
        EXPECT_TRUE(buffer.isEmpty());
    }
}

TEST(SyncFrames, SkipsEmptyAndUndecodableFramesAndKeepsOrder)
{
    QByteArray buffer = frameOf(helloPayload("A")) + frameOf({}) + frameOf("not json")
        + frameOf(R"({"kind":"goodbye","platform":"ios"})") + frameOf(R"({"kind":"hello"})")
        + frameOf(R"({"kind":"library","platform":"ios","snapshot":{"version":1}})")
        + frameOf(R"({"kind":"hello","platform":"ios","peerName":"deep","x":)" + QByteArray(100, '[')
            + QByteArray(100, ']') + "}")
        + frameOf(helloPayload("B")) + QByteArray("\x00\x00", 2);
    SyncFrames::DrainResult result;
    EXPECT_EQ(drainNames(buffer, &result), (QStringList { "A", "B" }));
    EXPECT_EQ(result, SyncFrames::DrainResult::needMore);
    EXPECT_EQ(buffer, QByteArray("\x00\x00", 2));
}

TEST(SyncFrames, LargestPayloadIsParsedAndTheLimitNever)
{
    // A valid envelope padded with JSON white space to exactly 7,999,999 bytes.
    QByteArray payload = helloPayload("Big");
    payload.append(QByteArray(7999999 - payload.size(), ' '));
    QByteArray buffer = frameOf(payload);
    EXPECT_EQ(drainNames(buffer), QStringList { "Big" });

    payload.append(' ');
    buffer = frameOf(payload) + frameOf(helloPayload("After"));
    const QByteArray before = buffer;
    SyncFrames::DrainResult result;
    EXPECT_TRUE(drainNames(buffer, &result).isEmpty());
    EXPECT_EQ(result, SyncFrames::DrainResult::oversized);
    EXPECT_EQ(buffer, before);

    // Only the header is needed to know.
    QByteArray header(4, Qt::Uninitialized);
    qToBigEndian(quint32(0xFFFFFFFF), header.data());
    EXPECT_EQ(
        SyncFrames::drain(header, [](SyncEnvelope&) { return true; }), SyncFrames::DrainResult::oversized);
}

TEST(SyncFrames, StoppingLeavesLaterFramesUnread)
{
    QByteArray buffer = frameOf(helloPayload("A")) + frameOf(helloPayload("B"));
    int calls = 0;
    EXPECT_EQ(SyncFrames::drain(buffer, [&](SyncEnvelope&) { return ++calls < 1; }),
        SyncFrames::DrainResult::stopped);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(buffer, frameOf(helloPayload("B")));
}

struct PayloadCase
{
    const char* label;
    QByteArray payload;
    bool decodes;
    // Known undecodable without the JSON decoder.
    bool skipsDecoder;
};

void PrintTo(const PayloadCase& c, std::ostream* os)
{
    *os << c.label;
}

class PayloadShapes : public ::testing::TestWithParam<PayloadCase>
{
};

// The cheap test that spares the decoder must never refuse what the decoder takes.
TEST_P(PayloadShapes, CheapRefusalAgreesWithTheDecoder)
{
    const PayloadCase& c = GetParam();
    EXPECT_EQ(SyncFrames::cannotHoldEnvelope(c.payload.constData(), c.payload.size()), c.skipsDecoder);
    bool decodes = false;
    try {
        SyncEnvelope::fromJson(QuavelJSON::parse(c.payload));
        decodes = true;
    } catch (const std::exception&) { }
    EXPECT_EQ(decodes, c.decodes);
}

INSTANTIATE_TEST_SUITE_P(Payloads, PayloadShapes,
    ::testing::Values(PayloadCase { "smallestEnvelope", R"({"kind":"hello","platform":""})", true, false },
        PayloadCase { "blanksFirst", " \t\r\n{\"kind\":\"hello\",\"platform\":\"\"}", true, false },
        PayloadCase { "byteOrderMark", "\xEF\xBB\xBF {\"kind\":\"hello\",\"platform\":\"\"}", true, false },
        PayloadCase { "oneByte", "x", false, true }, PayloadCase { "emptyObject", "{}", false, true },
        PayloadCase { "oneShortOfSmallest", R"({"kind":"hello","platform":1})", false, true },
        PayloadCase { "blanksOnly", QByteArray(64, ' '), false, true },
        PayloadCase { "array", R"(["kind","hello","platform","ios","peerName"])", false, true },
        PayloadCase { "quotedObject", R"("{\"kind\":\"hello\",\"platform\":\"\"}")", false, true },
        PayloadCase { "markAfterBlank", " \xEF\xBB\xBF{\"kind\":\"hello\",\"platform\":\"\"}", false, true },
        PayloadCase { "unknownKind", R"({"kind":"goodbye","platform":"ios"})", false, false },
        PayloadCase { "truncated", R"({"kind":"hello","platform":"ios")", false, false }),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace quavel::test
