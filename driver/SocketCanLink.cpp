#include "SocketCanLink.h"

#include <cstring>
#include <linux/can/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// The attribute of `type` among the attributes at `first`, `length` bytes in all.
const rtattr* findAttribute(const rtattr* first, int length, unsigned short type) {
    for (const rtattr* a = first; RTA_OK(a, length); a = RTA_NEXT(a, length)) {
        if (a->rta_type == type)
            return a;
    }
    return nullptr;
}

const rtattr* nested(const rtattr* parent, unsigned short type) {
    if (!parent)
        return nullptr;
    return findAttribute(static_cast<const rtattr*>(RTA_DATA(parent)),
                         static_cast<int>(RTA_PAYLOAD(parent)), type);
}

class Socket {
public:
    Socket() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {}
    ~Socket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<SocketCanLink> parseSocketCanLink(const void* message, size_t size) {
    const auto* header = static_cast<const nlmsghdr*>(message);
    // NLMSG_OK spelled out: the macro compares signed with unsigned, which clang refuses.
    if (size < sizeof(nlmsghdr) || header->nlmsg_len > size ||
        header->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)) || header->nlmsg_type != RTM_NEWLINK)
        return std::nullopt;
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
    SocketCanLink link;
    link.up = (info->ifi_flags & IFF_UP) != 0;
    const rtattr* linkInfo =
        findAttribute(IFLA_RTA(info), static_cast<int>(IFLA_PAYLOAD(header)), IFLA_LINKINFO);
    const rtattr* timing = nested(nested(linkInfo, IFLA_INFO_DATA), IFLA_CAN_BITTIMING);
    if (timing && RTA_PAYLOAD(timing) >= sizeof(can_bittiming)) {
        can_bittiming bt{};
        std::memcpy(&bt, RTA_DATA(timing), sizeof bt);
        if (bt.bitrate != 0)
            link.bitRate = bt.bitrate;
    }
    return link;
}

std::optional<SocketCanLink> querySocketCanLink(const std::string& interfaceName) {
    const unsigned index = ::if_nametoindex(interfaceName.c_str());
    const Socket socket;
    if (index == 0 || socket.fd() < 0)
        return std::nullopt;
    const timeval timeout{1, 0};
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    struct {
        nlmsghdr header;
        ifinfomsg info;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.info.ifi_family = AF_UNSPEC;
    request.info.ifi_index = static_cast<int>(index);
    if (::send(socket.fd(), &request, request.header.nlmsg_len, 0) < 0)
        return std::nullopt;
    alignas(nlmsghdr) char answer[16384];
    const ssize_t received = ::recv(socket.fd(), answer, sizeof answer, 0);
    if (received <= 0)
        return std::nullopt;
    return parseSocketCanLink(answer, static_cast<size_t>(received));
}
