#include "Platform/SystemConfiguration/SCNetworkReachability.h"

#include "Platform/Foundation/NSTimer.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstdlib>
#include <dbus/dbus.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

std::mutex registryLock;
std::optional<uint32_t> injected;
std::vector<std::weak_ptr<SCNetworkReachability>> scheduled;

bool hasDefaultRoute()
{
    std::ifstream routes("/proc/net/route");
    if (SCNetworkReachability::routeTableReaches(routes, std::nullopt))
        return true;
    std::ifstream routes6("/proc/net/ipv6_route");
    std::string line;
    while (std::getline(routes6, line))
        if (line.starts_with("00000000000000000000000000000000 00") && line.find(" lo") == std::string::npos)
            return true;
    return false;
}

bool routeCovers(uint32_t ip)
{
    std::ifstream routes("/proc/net/route");
    return SCNetworkReachability::routeTableReaches(routes, ip);
}

// NetworkManager's metered state and main connection type, read from the
// system bus; nothing when no NetworkManager answers within half a second.
// A private connection per question, closed at once: no thread of the bus
// library's own stays behind.
std::optional<std::pair<uint32_t, std::string>> networkManagerState()
{
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection
        = dbus_connection_open_private(address && *address ? address : "unix:path=/run/dbus/system_bus_socket", &error);
    if (!connection) {
        dbus_error_free(&error);
        return std::nullopt;
    }
    dbus_connection_set_exit_on_disconnect(connection, false);
    std::optional<std::pair<uint32_t, std::string>> state;
    DBusMessage* reply = nullptr;
    if (dbus_bus_register(connection, &error)) {
        DBusMessage* call = dbus_message_new_method_call("org.freedesktop.NetworkManager",
            "/org/freedesktop/NetworkManager", "org.freedesktop.DBus.Properties", "GetAll");
        const char* interface = "org.freedesktop.NetworkManager";
        dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID);
        dbus_message_set_auto_start(call, false);
        reply = dbus_connection_send_with_reply_and_block(connection, call, 500, &error);
        dbus_message_unref(call);
    }
    DBusMessageIter top, entries;
    if (reply && dbus_message_iter_init(reply, &top) && dbus_message_iter_get_arg_type(&top) == DBUS_TYPE_ARRAY) {
        state.emplace(0u, std::string());
        dbus_message_iter_recurse(&top, &entries);
        while (dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY) {
            DBusMessageIter entry, value;
            dbus_message_iter_recurse(&entries, &entry);
            const char* name = nullptr;
            if (dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRING) {
                dbus_message_iter_get_basic(&entry, &name);
                dbus_message_iter_next(&entry);
                dbus_message_iter_recurse(&entry, &value);
                int type = dbus_message_iter_get_arg_type(&value);
                if (std::string_view(name) == "Metered" && type == DBUS_TYPE_UINT32) {
                    dbus_uint32_t metered = 0;
                    dbus_message_iter_get_basic(&value, &metered);
                    state->first = metered;
                } else if (std::string_view(name) == "PrimaryConnectionType" && type == DBUS_TYPE_STRING) {
                    const char* text = nullptr;
                    dbus_message_iter_get_basic(&value, &text);
                    state->second = text;
                }
            }
            dbus_message_iter_next(&entries);
        }
    }
    if (reply)
        dbus_message_unref(reply);
    dbus_error_free(&error);
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    return state;
}

uint32_t systemFlags(const std::optional<std::string>& host, const std::optional<uint32_t>& address)
{
    uint32_t ip = 0;
    bool haveIp = false;
    if (address) {
        ip = ntohl(*address);
        haveIp = true;
    } else if (host) {
        in_addr a {};
        if (*host == "localhost" || inet_pton(AF_INET, host->c_str(), &a) == 1) {
            ip = *host == "localhost" ? 0x7f000001 : ntohl(a.s_addr);
            haveIp = true;
        }
    }
    if (haveIp && (ip >> 24) == 127)
        return kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress
            | kSCNetworkReachabilityFlagsIsDirect;
    bool linkLocal = haveIp && (ip >> 16) == 0xA9FE;
    // A server named by its address on a network without a way out (a shop's
    // own network) is still reached through the route that covers it.
    if (!hasDefaultRoute() && !(haveIp && ip != 0 && routeCovers(ip)))
        return 0;
    uint32_t flags = kSCNetworkReachabilityFlagsReachable;
    if (linkLocal)
        flags |= kSCNetworkReachabilityFlagsIsDirect;
    else if (auto state = networkManagerState();
             state && SCNetworkReachability::isMobileConnection(state->first, state->second))
        flags |= kSCNetworkReachabilityFlagsIsWWAN;
    return flags;
}

}  // namespace

bool SCNetworkReachability::isMobileConnection(uint32_t metered, const std::string& connectionType)
{
    // NMMetered: 1 yes, 3 guessed yes; 2 and 4 say no, 0 does not know.
    if (metered == 1 || metered == 3)
        return true;
    if (metered == 2)
        return false;  // the user said this link costs nothing, whatever carries it
    return connectionType == "gsm" || connectionType == "cdma";
}

bool SCNetworkReachability::routeTableReaches(std::istream& table, std::optional<uint32_t> address)
{
    constexpr unsigned routeUp = 0x1;
    std::string line;
    std::getline(table, line);  // the column names
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> iface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask))
            continue;
        // Addresses and masks are printed as the bytes of network order read
        // as one native number, so they compare with an address in network order.
        uint32_t routeDestination = 0, routeMask = 0, routeFlags = 0;
        auto hex = [](const std::string& text, uint32_t& into) {
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), into, 16);
            return error == std::errc() && end == text.data() + text.size();
        };
        if (!hex(destination, routeDestination) || !hex(mask, routeMask) || !hex(flags, routeFlags))
            continue;
        if (!(routeFlags & routeUp))
            continue;
        if (!address) {
            if (routeDestination == 0 && routeMask == 0)
                return true;
        } else if ((htonl(*address) & routeMask) == routeDestination) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<SCNetworkReachability> SCNetworkReachability::createWithName(const std::string& host)
{
    if (host.empty())
        return nullptr;
    std::shared_ptr<SCNetworkReachability> r(new SCNetworkReachability());
    r->m_host = host;
    return r;
}

std::shared_ptr<SCNetworkReachability> SCNetworkReachability::createWithAddress(uint32_t address)
{
    std::shared_ptr<SCNetworkReachability> r(new SCNetworkReachability());
    r->m_address = address;
    return r;
}

SCNetworkReachability::~SCNetworkReachability()
{
    if (m_timer)
        m_timer->invalidate();
}

bool SCNetworkReachability::getFlags(uint32_t& flags) const
{
    {
        std::lock_guard lock(registryLock);
        if (injected) {
            flags = *injected;
            return true;
        }
    }
    flags = systemFlags(m_host, m_address);
    return true;
}

bool SCNetworkReachability::setCallback(Callback callback)
{
    m_callback = std::move(callback);
    return true;
}

bool SCNetworkReachability::scheduleWithRunLoop(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode)
{
    if (!loop || m_timer)
        return false;
    m_loop = loop;
    getFlags(m_lastFlags);
    m_haveLast = true;
    std::weak_ptr<SCNetworkReachability> weak = weak_from_this();
    m_timer = NSTimer::timerWithTimeInterval(pollInterval, true, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->check();
    });
    loop->addTimer(m_timer, mode);
    std::lock_guard lock(registryLock);
    std::erase_if(scheduled, [](auto& w) { return w.expired(); });
    scheduled.push_back(weak);
    return true;
}

bool SCNetworkReachability::unscheduleFromRunLoop()
{
    if (!m_timer)
        return false;
    m_timer->invalidate();
    m_timer = nullptr;
    std::lock_guard lock(registryLock);
    std::erase_if(scheduled, [this](auto& w) { return w.expired() || w.lock().get() == this; });
    return true;
}

void SCNetworkReachability::check()
{
    uint32_t flags = 0;
    getFlags(flags);
    if (m_haveLast && flags == m_lastFlags)
        return;
    m_lastFlags = flags;
    m_haveLast = true;
    auto keep = shared_from_this();
    if (m_callback)
        m_callback(*this, flags);
}

void SCNetworkReachability::setInjectedFlags(std::optional<uint32_t> flags)
{
    std::vector<std::shared_ptr<SCNetworkReachability>> targets;
    {
        std::lock_guard lock(registryLock);
        injected = flags;
        for (auto& w : scheduled)
            if (auto r = w.lock())
                targets.push_back(r);
    }
    // Each watcher looks again on its own run loop's thread.
    for (auto& r : targets) {
        if (auto loop = r->m_loop.lock()) {
            std::weak_ptr<SCNetworkReachability> weak = r;
            loop->performBlock([weak] {
                if (auto self = weak.lock())
                    self->check();
            });
        }
    }
}
