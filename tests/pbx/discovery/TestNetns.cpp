#include "TestNetns.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "NetworkInterfaces.h"

namespace korvi::test {

namespace {

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool WriteProcFile(const char* path, const std::string& text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

// Root is not needed: a user namespace of our own (like `unshare -rn`) grants what a network
// namespace takes. Only while the process has one thread, which is why this runs before main.
bool EnterNamespace(std::string& error) {
    if (unshare(CLONE_NEWNET) == 0) return true;
    const std::string asRoot = Errno("unshare(CLONE_NEWNET)");
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        error = asRoot + "; " + Errno("unshare(CLONE_NEWUSER | CLONE_NEWNET)");
        return false;
    }
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
        error = Errno("mapping the user into its namespace");
        return false;
    }
    return true;
}

bool BringLoUp(std::string& error) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = Errno("socket");
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (!up) error = Errno("bringing lo up");
    close(fd);
    return up;
}

// `ip route add 224.0.0.0/4 dev lo src 127.0.0.1`: without it a search has no route to the
// multicast group, and without the source address it would leave from 0.0.0.0.
bool AddMulticastRoute(std::string& error) {
    struct Request {
        nlmsghdr header;
        rtmsg route;
        char attributes[64];
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_NEWROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_CREATE | NLM_F_EXCL | NLM_F_ACK;
    request.header.nlmsg_seq = 1;
    request.route.rtm_family = AF_INET;
    request.route.rtm_dst_len = 4;
    request.route.rtm_table = RT_TABLE_MAIN;
    request.route.rtm_protocol = RTPROT_BOOT;
    request.route.rtm_scope = RT_SCOPE_LINK;
    request.route.rtm_type = RTN_UNICAST;
    auto add = [&request](unsigned short type, const void* data, std::size_t size) {
        auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) +
                                                    NLMSG_ALIGN(request.header.nlmsg_len));
        attribute->rta_type = type;
        attribute->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
        std::memcpy(RTA_DATA(attribute), data, size);
        request.header.nlmsg_len =
            NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
    };
    in_addr group{};
    in_addr source{};
    inet_pton(AF_INET, "224.0.0.0", &group);
    inet_pton(AF_INET, "127.0.0.1", &source);
    const int lo = static_cast<int>(if_nametoindex("lo"));
    add(RTA_DST, &group, sizeof group);
    add(RTA_OIF, &lo, sizeof lo);
    add(RTA_PREFSRC, &source, sizeof source);

    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        error = Errno("netlink socket");
        return false;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    bool added = false;
    if (sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) < 0) {
        error = Errno("adding the multicast route");
    } else {
        alignas(nlmsghdr) char reply[4096];
        const ssize_t size = recv(fd, reply, sizeof reply, 0);
        const auto* header = reinterpret_cast<const nlmsghdr*>(reply);
        if (size < static_cast<ssize_t>(NLMSG_LENGTH(sizeof(nlmsgerr))) ||
            header->nlmsg_type != NLMSG_ERROR) {
            error = "adding the multicast route: no answer from the kernel";
        } else if (const int code = static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error;
                   code != 0) {
            error = std::string("adding the multicast route: ") + std::strerror(-code);
        } else {
            added = true;
        }
    }
    close(fd);
    return added;
}

NetnsState MakeNamespace() {
    NetnsState state;
    std::string error;
    if (!EnterNamespace(error)) {
        state.why = "Network namespaces are refused here (" + error +
                    "); the LAN discovery tests need one of their own and are skipped";
        return state;
    }
    if (!BringLoUp(error) || !AddMulticastRoute(error)) {
        state.why = "The test's network namespace could not be set up: " + error;
        return state;
    }
    std::vector<std::string> others;
    if (!sim::InterfacesOtherThanLo(others, error)) {
        state.why = error;
        return state;
    }
    if (!others.empty()) {
        state.why = "The test's network namespace has interfaces other than lo (" + others[0] +
                    "); SSDP must not reach them, so the LAN discovery tests are skipped";
        return state;
    }
    state.ready = true;
    return state;
}

// Before main(): the process has one thread, which a user namespace requires, and every
// thread started later (servers, the worker) inherits the namespace.
const NetnsState g_netns = MakeNamespace();

}  // namespace

const NetnsState& TestNetns() { return g_netns; }

}  // namespace korvi::test
