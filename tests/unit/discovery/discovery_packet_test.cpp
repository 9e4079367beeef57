#include <gtest/gtest.h>

#include <vector>

#include "DiscoveryPacket.h"

namespace {

std::vector<std::uint8_t> Answer(std::initializer_list<std::uint8_t> address, const std::string& name,
                                 std::size_t totalLength = DiscoveryResponsePacketF3::kSize)
{
    std::vector<std::uint8_t> datagram(totalLength, 0);
    datagram[0] = 0x3A;
    datagram[1] = 0x2C;
    datagram[2] = 0x2E;
    std::size_t at = DiscoveryResponsePacketF3::kAddressOffset;
    for (auto it = address.begin(); it != address.end() && at < totalLength; ++it) datagram[at++] = *it;
    for (std::size_t i = 0; i < name.size() && DiscoveryResponsePacketF3::kNameOffset + i < totalLength; ++i)
        datagram[DiscoveryResponsePacketF3::kNameOffset + i] = static_cast<std::uint8_t>(name[i]);
    return datagram;
}

const std::set<CString> kOwn = {"10.1.1.1", "127.0.0.1"};

}  // namespace

TEST(DiscoveryPacket, RequestBytes)
{
    EXPECT_EQ(kDiscoveryRequest, (std::array<std::uint8_t, 6>{0x2E, 0x2C, 0x3A, 0x01, 0x00, 0x00}));
    EXPECT_EQ(DISCOVERY_PORT, 4201);
}

TEST(DiscoveryPacket, AnswerGivesAddressAndName)
{
    const auto datagram = Answer({192, 168, 7, 21}, "Dock printer");
    const auto record = AcceptDiscoveryAnswer(datagram.data(), datagram.size(), "192.168.7.21", kOwn);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Address(), "192.168.7.21");
    EXPECT_EQ(record->Name(), "Dock printer");
}

TEST(DiscoveryPacket, DropsOwnRequestsOwnAddressesAndTheNullSender)
{
    const std::vector<std::uint8_t> request(kDiscoveryRequest.begin(), kDiscoveryRequest.end());
    EXPECT_FALSE(AcceptDiscoveryAnswer(request.data(), request.size(), "10.2.2.2", kOwn));
    const auto datagram = Answer({10, 2, 2, 2}, "P");
    EXPECT_FALSE(AcceptDiscoveryAnswer(datagram.data(), datagram.size(), "127.0.0.1", kOwn));
    EXPECT_FALSE(AcceptDiscoveryAnswer(datagram.data(), datagram.size(), "10.1.1.1", kOwn));
    EXPECT_FALSE(AcceptDiscoveryAnswer(datagram.data(), datagram.size(), "0.0.0.0", kOwn));
    EXPECT_TRUE(AcceptDiscoveryAnswer(datagram.data(), datagram.size(), "10.2.2.2", kOwn));
}

TEST(DiscoveryPacket, ShortDatagramsTakeNothingFromOutside)
{
    auto withoutName = Answer({10, 0, 0, 9}, "", DiscoveryResponsePacketF3::kAddressOffset + 4);
    const auto record = AcceptDiscoveryAnswer(withoutName.data(), withoutName.size(), "10.0.0.9", kOwn);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Address(), "10.0.0.9");
    EXPECT_EQ(record->Name(), "");

    auto cutAddress = Answer({10, 0, 0, 9}, "", DiscoveryResponsePacketF3::kAddressOffset + 3);
    EXPECT_FALSE(AcceptDiscoveryAnswer(cutAddress.data(), cutAddress.size(), "10.0.0.9", kOwn));

    // A name cut off by the end of the datagram ends there, without a zero byte.
    auto cutName = Answer({10, 0, 0, 9}, "ABCDEFGH", DiscoveryResponsePacketF3::kNameOffset + 3);
    const auto cut = AcceptDiscoveryAnswer(cutName.data(), cutName.size(), "10.0.0.9", kOwn);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->Name(), "ABC");
}

TEST(DiscoveryPacket, LongDatagramsAndNamesWithoutZeroStayInsideTheRecord)
{
    auto datagram = Answer({10, 0, 0, 7}, std::string(2000, 'N'), 4000);
    const auto record = AcceptDiscoveryAnswer(datagram.data(), datagram.size(), "10.0.0.7", kOwn);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->length, DiscoveryResponsePacketF3::kSize);
    EXPECT_EQ(record->Name(), std::string(DiscoveryResponsePacketF3::kSize - DiscoveryResponsePacketF3::kNameOffset, 'N'));
}
