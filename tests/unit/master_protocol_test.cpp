#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "masters/master_protocol.h"

namespace zerlin::masters {
namespace {

std::string record(int a, int b, int c, int d, int port) {
    return {static_cast<char>(a), static_cast<char>(b),         static_cast<char>(c),
            static_cast<char>(d), static_cast<char>(port >> 8), static_cast<char>(port & 0xFF)};
}

TEST(MasterProtocol, ValidationOfKnownChallenges) {
    const struct {
        const char* challenge;
        const char* response;
    } cases[] = {
        {"ABCDEF", "vXrDWjx4"},
        {"QzKpLm", "x0+79vW4"},
        {"xY7w2a", "XULME0L9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(validation(c.challenge, "HpWx9z"), c.response) << c.challenge;
    }
    // Padding: a challenge not a multiple of three still gives whole groups of four.
    EXPECT_EQ(validation("ABCD").size(), 8U);
    EXPECT_NE(validation("ABCDEF", "other1"), "vXrDWjx4");
}

TEST(MasterProtocol, RequestAnswersTheChallengeAndAsksTheList) {
    EXPECT_EQ(request("ABCDEF"),
              "\\gamename\\bfield1942\\gamever\\1.6\\location\\0\\validate\\vXrDWjx4"
              "\\enctype\\0\\final\\\\list\\cmp\\gamename\\bfield1942\\final\\");
}

TEST(MasterProtocol, Hello) {
    using State = Hello::State;
    const struct {
        std::string received;
        State state;
        std::string challenge;
        std::size_t used;
    } cases[] = {
        {"\\basic\\\\secure\\ABCDEF", State::Done, "ABCDEF", 21},
        {"\\basic\\\\secure\\QzKpLm\\final\\", State::Done, "QzKpLm", 21},
        {"\\basic\\\\secure\\ABC", State::NeedMore, "", 0},
        {"\\basic\\", State::NeedMore, "", 0},
        {"\\basic\\\\secure\\AB\\CDE", State::Failed, "", 0},
        {"\\error\\busy\\final\\", State::Failed, "", 0},
        {"\\fatal\\go away", State::Failed, "", 0},
        {std::string(kMaxHelloBytes, 'x'), State::Failed, "", 0},
    };
    for (const auto& c : cases) {
        const Hello hello = readHello(c.received);
        EXPECT_EQ(hello.state, c.state) << c.received;
        if (c.state == State::Done) {
            EXPECT_EQ(hello.challenge, c.challenge) << c.received;
            EXPECT_EQ(hello.used, c.used) << c.received;
        } else if (c.state == State::Failed) {
            EXPECT_FALSE(hello.error.empty()) << c.received;
        }
    }
    EXPECT_EQ(readHello("\\error\\busy\\final\\").error, "the master refused: busy");
}

TEST(MasterProtocol, RecordReader) {
    const std::string final = "\\final\\";
    const std::string two = record(81, 169, 145, 97, 23000) + record(1, 2, 3, 4, 1);
    // A record whose bytes are "\final" and a port: only a boundary ends the list.
    const std::string lookalike = "\\fin" + std::string("al") + final;
    const struct {
        std::string answer;
        bool ok;
        std::vector<Record> records;
    } cases[] = {
        {two + final, true, {{"81.169.145.97", 23000}, {"1.2.3.4", 1}}},
        {final, true, {}},
        {lookalike, true, {{"92.102.105.110", 0x616C}}},
        // The hello's own "\final\" in front.
        {final + two + final, true, {{"81.169.145.97", 23000}, {"1.2.3.4", 1}}},
        // Zero ports passed over, a record given twice kept once.
        {record(5, 6, 7, 8, 0) + two + record(1, 2, 3, 4, 1) + final,
         true,
         {{"81.169.145.97", 23000}, {"1.2.3.4", 1}}},
        {two, false, {}},
        {two + "\\fin", false, {}},
        {two.substr(0, 9) + final, false, {}},
        {"", false, {}},
        {"\\error\\bad validation\\final\\", false, {}},
        {"\\fatal\\\\final\\", false, {}},
        {std::string(kMaxAnswerBytes - 1, 'x') + final, false, {}},
    };
    for (const auto& c : cases) {
        const auto read = readRecords(c.answer);
        EXPECT_EQ(read.ok(), c.ok) << testing::PrintToString(c.answer.substr(0, 40));
        EXPECT_EQ(read.value(), c.records) << testing::PrintToString(c.answer.substr(0, 40));
        EXPECT_EQ(read.ok(), read.error().empty());
    }
    EXPECT_EQ(readRecords("\\error\\bad validation\\final\\").error(),
              "the master refused: bad validation");
}

TEST(MasterProtocol, RecordsPastTheLimitAreDropped) {
    std::string answer;
    for (std::size_t i = 0; i < kMaxRecords + 5; ++i) {
        answer += record(20, static_cast<int>(i >> 16), static_cast<int>((i >> 8) & 0xFF),
                         static_cast<int>(i & 0xFF), 23000);
    }
    const auto read = readRecords(answer + "\\final\\");
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value().size(), kMaxRecords);
    EXPECT_EQ(read.value().back().ip, "20.0.39.15");  // the 10,000th
}

}  // namespace
}  // namespace zerlin::masters
