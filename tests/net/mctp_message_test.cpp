#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mctp_test_support.h"
#include "qw_vscp_trace.h"

namespace {

std::string Token(const MctpMessage* msg, int32_t position) {
    const char* text = nullptr;
    EXPECT_EQ(QW_VSCP_DataProc_Msg_GetStartToken(msg, position, &text), QW_NET_OK);
    return text != nullptr ? text : "<absent>";
}

std::string Field(const MctpMessage* msg, const char* name) {
    const char* value = nullptr;
    int32_t code = QW_VSCP_DataProc_Msg_GetHeadField(msg, name, &value);
    if (code == QW_VSCP_ERR_FIELD_NOT_FOUND) {
        return "<not found>";
    }
    EXPECT_EQ(code, QW_NET_OK);
    return value != nullptr ? value : "<absent>";
}

struct StartLineCase {
    const char* header;
    int32_t code;
    MctpKind kind;
    const char* tokens[3];
};

TEST(MctpMessageParse, StartLineDecidesKindAndKeepsTokens) {
    const StartLineCase cases[] = {
        {"MCTP/1.0 404 Not Found Here\r\n\r\n",
         0,
         MCTP_RESPONSE,
         {"MCTP/1.0", "404", "Not Found Here"}},
        {"REMOTE QW_SRDK_MEDIA_GetVideoAttr MCTP/1.0\r\n\r\n",
         0,
         MCTP_REQUEST,
         {"REMOTE", "QW_SRDK_MEDIA_GetVideoAttr", "MCTP/1.0"}},
        {"  MCTP/1.0   200   OK", 0, MCTP_RESPONSE, {"MCTP/1.0", "200", "OK"}},
        {"MCTP/1.0 200\r\n", 0, MCTP_RESPONSE, {"MCTP/1.0", "200", "<absent>"}},
        {"HTTP/1.1 200 OK\r\n\r\n", QW_VSCP_ERR_BAD_START_LINE, {}, {}},
        {"mctp/1.0 200 OK\r\n\r\n", QW_VSCP_ERR_BAD_START_LINE, {}, {}},
        {"REMOTE X MCTP/1.0 extra\r\n\r\n", QW_VSCP_ERR_BAD_START_LINE, {}, {}},
        {"", QW_VSCP_ERR_NO_LINES, {}, {}},
        {"\r\nMCTP/1.0 200 OK\r\n", QW_VSCP_ERR_NO_LINES, {}, {}},
    };
    for (const StartLineCase& c : cases) {
        SCOPED_TRACE(c.header);
        MessagePtr msg;
        ASSERT_EQ(ParseMessage(c.header, &msg), c.code);
        if (c.code != QW_NET_OK) {
            EXPECT_EQ(msg, nullptr);
            continue;
        }
        MctpKind kind{};
        const char* second = nullptr;
        ASSERT_EQ(QW_VSCP_DataProc_Msg_GetStartLine(msg.get(), &kind, &second), QW_NET_OK);
        EXPECT_EQ(kind, c.kind);
        for (int32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(Token(msg.get(), i + 1), c.tokens[i]);
        }
    }
}

TEST(MctpMessageParse, FieldsAreTrimmedKeptInOrderAndFoundByExactName) {
    MessagePtr msg;
    ASSERT_EQ(ParseMessage("MCTP/1.0 200 OK\r\n"
                           " CSeq :  1 \r\n"
                           "cseq:2\r\n"
                           "CSeq:3\r\n"
                           "X-Empty:   \r\n"
                           "X-Colons:a:b:c\r\n"
                           "\r\n"
                           "After-Blank:1\r\n",
                           &msg),
              QW_NET_OK);
    EXPECT_EQ(Field(msg.get(), "CSeq"), "1");
    EXPECT_EQ(Field(msg.get(), "cseq"), "2");
    EXPECT_EQ(Field(msg.get(), "X-Empty"), "<absent>");
    EXPECT_EQ(Field(msg.get(), "X-Colons"), "a:b:c");
    EXPECT_EQ(Field(msg.get(), "After-Blank"), "<not found>");
}

TEST(MctpMessageParse, MalformedFieldLineFailsTheWholeParse) {
    for (const char* line : {"Content-Length 12", ":value", "  : value"}) {
        SCOPED_TRACE(line);
        MessagePtr msg;
        EXPECT_EQ(
            ParseMessage(std::string("MCTP/1.0 200 OK\r\nCSeq:1\r\n") + line + "\r\n\r\n", &msg),
            QW_VSCP_ERR_BAD_HEADER_LINE);
        EXPECT_EQ(msg, nullptr);
    }
}

TEST(MctpMessageParse, StopsAtTheGivenLengthWithoutTerminator) {
    const std::string text = "MCTP/1.0 200 OK\r\nA:1\r\nB:2";
    MessagePtr msg;
    ASSERT_EQ(ParseMessage(std::string_view(text).substr(0, text.find("\r\nB")), &msg), QW_NET_OK);
    EXPECT_EQ(Field(msg.get(), "A"), "1");
    EXPECT_EQ(Field(msg.get(), "B"), "<not found>");
}

TEST(MctpMessageParse, BodyIsCopiedWithItsLengthAndATrailingNul) {
    const std::string body("ab\0c", 4);
    MessagePtr msg;
    ASSERT_EQ(ParseMessage("MCTP/1.0 200 OK\r\n\r\n", &msg, body), QW_NET_OK);
    const char* data = nullptr;
    size_t length = 0;
    ASSERT_EQ(QW_VSCP_DataProc_Msg_GetBody(msg.get(), &data, &length), QW_NET_OK);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(std::string(data, length), body);
    EXPECT_EQ(data[4], '\0');
}

struct IntFieldCase {
    const char* line;
    int32_t code;
    int32_t value;
};

TEST(MctpMessageParse, IntegerFieldsUseAutomaticBase) {
    const IntFieldCase cases[] = {
        {"Return-Code:0x80F00009", 0, static_cast<int32_t>(0x80F00009)},
        {"Return-Code: 12", 0, 12},
        {"Return-Code:010", 0, 8},
        {"Return-Code:0XfF", 0, 255},
        {"Return-Code:-7", 0, -7},
        {"Return-Code:42 trailing", 0, 42},
        {"Return-Code:", 0, 0},
        {"Other:5", 0, 0},
        {"Return-Code:0x100000000", QW_VSCP_ERR_BAD_HEADER_LINE, 0},
    };
    for (const IntFieldCase& c : cases) {
        SCOPED_TRACE(c.line);
        MessagePtr msg;
        ASSERT_EQ(ParseMessage(std::string("MCTP/1.0 200 OK\r\n") + c.line + "\r\n\r\n", &msg),
                  QW_NET_OK);
        int32_t value = -12345;
        ASSERT_EQ(QW_VSCP_DataProc_Msg_GetIntField(msg.get(), "Return-Code", &value), c.code);
        if (c.code == QW_NET_OK) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(MctpMessageBuild, ResponseRoundTripsThroughTheParser) {
    MctpMessage* raw = nullptr;
    ASSERT_EQ(QW_VSCP_DataProc_Msg_Create(MCTP_RESPONSE, &raw), QW_NET_OK);
    MessagePtr msg(raw);
    ASSERT_EQ(QW_VSCP_DataProc_Msg_SetVersion(msg.get(), kMctpVersion), QW_NET_OK);
    ASSERT_EQ(QW_VSCP_DataProc_Msg_SetStatus(msg.get(), "200"), QW_NET_OK);
    ASSERT_EQ(QW_VSCP_DataProc_Msg_SetReason(msg.get(), "All Fine"), QW_NET_OK);
    ASSERT_EQ(QW_VSCP_DataProc_Msg_SetHeadField(msg.get(), "Return-Code", "0x80F00009"), QW_NET_OK);
    ASSERT_EQ(QW_VSCP_DataProc_Msg_SetHeadField(msg.get(), "X-None", nullptr), QW_NET_OK);
    const std::string body("\r\n\r\n\0x", 6);
    ASSERT_EQ(QW_VSCP_DataProc_Msg_SetBody(msg.get(), body.data(), body.size()), QW_NET_OK);

    std::string header;
    std::string body_out;
    ASSERT_EQ(QW_VSCP_DataProc_Msg_BuildPacket(msg.get(), &header, &body_out), QW_NET_OK);
    EXPECT_EQ(header, "MCTP/1.0 200 All Fine\r\nReturn-Code:0x80F00009\r\nX-None:\r\n\r\n");
    EXPECT_EQ(body_out, body);

    MessagePtr parsed;
    ASSERT_EQ(ParseMessage(header, &parsed, body_out), QW_NET_OK);
    EXPECT_EQ(Token(parsed.get(), 3), "All Fine");
    EXPECT_EQ(Field(parsed.get(), "X-None"), "<absent>");
    int32_t code = 0;
    ASSERT_EQ(QW_VSCP_DataProc_Msg_GetIntField(parsed.get(), "Return-Code", &code), QW_NET_OK);
    EXPECT_EQ(code, static_cast<int32_t>(0x80F00009));
}

TEST(MctpMessageBuild, RefusesTextsThatWouldReadBackDifferently) {
    MctpMessage* raw = nullptr;
    ASSERT_EQ(QW_VSCP_DataProc_Msg_Create(MCTP_REQUEST, &raw), QW_NET_OK);
    MessagePtr msg(raw);
    EXPECT_EQ(QW_VSCP_DataProc_Msg_SetTarget(msg.get(), "two words"), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_DataProc_Msg_SetMethod(msg.get(), "A\r\nB"), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_DataProc_Msg_SetStatus(msg.get(), "200"), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_DataProc_Msg_SetHeadField(msg.get(), "A:B", "1"), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_DataProc_Msg_SetHeadField(msg.get(), " A", "1"), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_DataProc_Msg_SetHeadField(msg.get(), "", "1"), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_VSCP_DataProc_Msg_SetHeadField(msg.get(), "A", "1\r\nB:2"),
              QW_VSCP_ERR_BAD_ARGUMENT);

    // Nothing refused may have reached the message.
    std::string header;
    std::string body;
    ASSERT_EQ(QW_VSCP_DataProc_Msg_BuildPacket(msg.get(), &header, &body), QW_NET_OK);
    EXPECT_EQ(header, "  \r\n\r\n");
}

std::string g_traced;

void CaptureTrace(const char* tag, int32_t /*level*/, const char* text) {
    g_traced += std::string("[") + tag + "]" + text;
}

TEST(MctpMessageParse, HandsEachFieldLineToTheTraceHook) {
    g_traced.clear();
    QW_VSCP_Trace_SetHook(CaptureTrace);
    MessagePtr msg;
    int32_t code = ParseMessage("MCTP/1.0 200 OK\r\nCSeq:7\r\n\r\n", &msg);
    QW_VSCP_Trace_SetHook(nullptr);
    ASSERT_EQ(code, QW_NET_OK);
    EXPECT_NE(g_traced.find("[Dataproc_SplitHeaderField]CSeq:7"), std::string::npos) << g_traced;
}

}  // namespace
