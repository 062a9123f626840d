#include "Platform/Foundation/SecretStore.h"

#include <libsecret/secret.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// A keyring that has not answered in this long is taken to be away.
constexpr auto kTimeOut = std::chrono::seconds(5);

const SecretSchema* schema()
{
    static const SecretSchema schema = {
        "org.corvelle.Password",
        SECRET_SCHEMA_NONE,
        {
            { "kind", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "host", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "port", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "protocol", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "realm", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "proxy", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "user", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "client", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "device", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING },
        },
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    return &schema;
}

// 1 answering, 0 not asked yet, -1 away for the rest of the process.
std::atomic<int> g_state { 0 };

// Runs `call` with a cancellable that a watchdog cancels after the time-out.
template <typename Call> auto bounded(Call call)
{
    GCancellable* cancellable = g_cancellable_new();
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock hold(lock);
        if (!finished.wait_for(hold, kTimeOut, [&] { return done; }))
            g_cancellable_cancel(cancellable);
    });
    auto result = call(cancellable);
    {
        std::lock_guard hold(lock);
        done = true;
    }
    finished.notify_all();
    watchdog.join();
    g_object_unref(cancellable);
    return result;
}

// Without an address in the environment and without the user's bus socket,
// the bus library would try to start a bus of its own: there is none to ask.
bool sessionBusNamed()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

bool connect()
{
    int state = g_state.load();
    if (state != 0)
        return state > 0;
    bool answering = sessionBusNamed() && bounded([](GCancellable* cancellable) {
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable, &error);
        if (!bus) {
            g_clear_error(&error);
            return false;
        }
        // The bus going away (a desktop session ending) must not end the program.
        g_dbus_connection_set_exit_on_close(bus, FALSE);
        g_object_unref(bus);
        SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, cancellable, &error);
        if (!service) {
            g_clear_error(&error);
            return false;
        }
        g_object_unref(service);
        return true;
    });
    int expected = 0;
    g_state.compare_exchange_strong(expected, answering ? 1 : -1);
    return g_state.load() > 0;
}

GHashTable* table(const SecretStore::Attributes& attributes)
{
    GHashTable* table = g_hash_table_new(g_str_hash, g_str_equal);
    for (const auto& [name, value] : attributes)
        g_hash_table_insert(table, const_cast<char*>(name.c_str()), const_cast<char*>(value.c_str()));
    return table;
}

// A failed call means the keyring is away, unless the call itself was wrong.
SecretStore::Result failure(GError* error)
{
    g_state = -1;
    g_clear_error(&error);
    return SecretStore::Result::Unavailable;
}

}  // namespace

bool SecretStore::available() { return connect(); }

SecretStore::Result SecretStore::store(
    const Attributes& attributes, const std::string& label, const std::string& secret)
{
    if (!connect())
        return Result::Unavailable;
    return bounded([&](GCancellable* cancellable) {
        GHashTable* names = table(attributes);
        GError* error = nullptr;
        gboolean stored = secret_password_storev_sync(
            schema(), names, SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(), cancellable, &error);
        g_hash_table_unref(names);
        return stored ? Result::Done : failure(error);
    });
}

SecretStore::Result SecretStore::lookup(const Attributes& attributes, std::string& secret)
{
    if (!connect())
        return Result::Unavailable;
    return bounded([&](GCancellable* cancellable) {
        GHashTable* names = table(attributes);
        GError* error = nullptr;
        gchar* found = secret_password_lookupv_sync(schema(), names, cancellable, &error);
        g_hash_table_unref(names);
        if (error)
            return failure(error);
        if (!found)
            return Result::NotFound;
        secret = found;
        secret_password_free(found);
        return Result::Done;
    });
}

SecretStore::Result SecretStore::remove(const Attributes& attributes)
{
    if (!connect())
        return Result::Unavailable;
    return bounded([&](GCancellable* cancellable) {
        GHashTable* names = table(attributes);
        GError* error = nullptr;
        secret_password_clearv_sync(schema(), names, cancellable, &error);
        g_hash_table_unref(names);
        return error ? failure(error) : Result::Done;
    });
}
