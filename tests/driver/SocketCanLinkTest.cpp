// Reading a SocketCAN interface's state from the kernel's rtnetlink answer,
// which tells the user when the bit rate could not be set.

#include "SocketCanLink.h"

#include <cstring>
#include <gtest/gtest.h>
#include <linux/can/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <vector>

namespace {

// Builds an RTM_NEWLINK message the way the kernel does.
class LinkMessage {
public:
    explicit LinkMessage(unsigned flags, uint16_t type = RTM_NEWLINK) {
        bytes_.resize(NLMSG_LENGTH(sizeof(ifinfomsg)));
        header().nlmsg_type = type;
        ifinfomsg info{};
        info.ifi_flags = flags;
        std::memcpy(NLMSG_DATA(&header()), &info, sizeof info);
        finish();
    }

    // Opens a nested attribute; close() ends it.
    LinkMessage& open(uint16_t type) {
        open_.push_back(bytes_.size());
        return add(type, nullptr, 0);
    }
    LinkMessage& close() {
        const size_t start = open_.back();
        open_.pop_back();
        rtattr a{};
        std::memcpy(&a, bytes_.data() + start, sizeof a);
        a.rta_len = static_cast<uint16_t>(bytes_.size() - start);
        std::memcpy(bytes_.data() + start, &a, sizeof a);
        return *this;
    }
    LinkMessage& add(uint16_t type, const void* data, size_t size) {
        rtattr a{};
        a.rta_type = type;
        a.rta_len = static_cast<uint16_t>(RTA_LENGTH(size));
        const size_t at = bytes_.size();
        bytes_.resize(at + RTA_SPACE(size));
        std::memcpy(bytes_.data() + at, &a, sizeof a);
        if (size)
            std::memcpy(bytes_.data() + at + RTA_LENGTH(0), data, size);
        finish();
        return *this;
    }
    LinkMessage& bitTiming(uint32_t bitRate) {
        can_bittiming bt{};
        bt.bitrate = bitRate;
        return add(IFLA_CAN_BITTIMING, &bt, sizeof bt);
    }

    const std::vector<char>& bytes() const { return bytes_; }

private:
    nlmsghdr& header() { return *reinterpret_cast<nlmsghdr*>(bytes_.data()); }
    void finish() { header().nlmsg_len = static_cast<uint32_t>(bytes_.size()); }

    std::vector<char> bytes_;
    std::vector<size_t> open_;
};

LinkMessage canLink(unsigned flags, uint32_t bitRate) {
    LinkMessage m(flags);
    m.add(IFLA_MTU, "\x10\0\0\0", 4).open(IFLA_LINKINFO).add(IFLA_INFO_KIND, "can", 4);
    m.open(IFLA_INFO_DATA).bitTiming(bitRate).close().close();
    return m;
}

TEST(SocketCanLinkTest, AnswerGivesStateAndBitRate) {
    const struct {
        const char* what;
        LinkMessage message;
        std::optional<SocketCanLink> expected;
    } cases[] = {
        {"can up at 250 kbit/s", canLink(IFF_UP, 250000), SocketCanLink{true, 250000}},
        {"can down", canLink(0, 500000), SocketCanLink{false, 500000}},
        {"can without a bit rate yet", canLink(IFF_UP, 0), SocketCanLink{true, std::nullopt}},
        {"vcan: no bit timing",
         LinkMessage(IFF_UP).open(IFLA_LINKINFO).add(IFLA_INFO_KIND, "vcan", 5).close(),
         SocketCanLink{true, std::nullopt}},
        {"bit timing outside the CAN data", LinkMessage(IFF_UP).bitTiming(125000),
         SocketCanLink{true, std::nullopt}},
        {"an error answer", LinkMessage(0, NLMSG_ERROR), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<char>& bytes = c.message.bytes();
        const std::optional<SocketCanLink> link = parseSocketCanLink(bytes.data(), bytes.size());
        ASSERT_EQ(link.has_value(), c.expected.has_value());
        if (link) {
            EXPECT_EQ(link->up, c.expected->up);
            EXPECT_EQ(link->bitRate, c.expected->bitRate);
        }
    }
}

TEST(SocketCanLinkTest, CutAnswersAreRefusedWithoutReadingPastTheirEnd) {
    const std::vector<char> bytes = canLink(IFF_UP, 250000).bytes();
    for (size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<char> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size));
        EXPECT_FALSE(parseSocketCanLink(cut.data(), cut.size())) << "size " << size;
    }
}

TEST(SocketCanLinkTest, KernelIsAskedOnlyAboutInterfacesThatExist) {
    EXPECT_FALSE(querySocketCanLink("kestrel-none0"));
    // The loopback interface is up and has no bit timing (when the kernel can be asked).
    if (const std::optional<SocketCanLink> lo = querySocketCanLink("lo")) {
        EXPECT_TRUE(lo->up);
        EXPECT_FALSE(lo->bitRate);
    }
}

} // namespace
