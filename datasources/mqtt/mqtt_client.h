#pragma once

// The broker connection, on libmosquitto's own network thread: subscribes
// to every topic at each (re)connection, turns each message into the latest
// value of every topic whose filter matches, and reconnects with back-off.
// Problems are logged once each, not at every retry.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "plugin/api/glancer_kit.hpp"

struct mosquitto;
struct mosquitto_message;

namespace mqtt {

inline constexpr char kLogPrefix[] = "MQTT";

struct Connection {
    std::string host;
    std::int64_t port = 1883;
    std::string username;
    std::string password;
    std::string clientId; // empty: the library makes one up
    bool tls = false;
    std::string caFile; // empty with TLS: the system's certificates
};

struct Topic {
    std::string id; // the variable is "MQTT.<id>"
    std::string filter;
    std::string field; // a JSON field path; empty: the whole payload
    glancer::Variable variable;
};

class Client {
public:
    // `onConnected` hears every change of the connection, on the network
    // thread (or Stop's caller for the final "false").
    Client(Connection connection, std::vector<Topic> topics, glancer::LatestValues& values,
           std::function<void(bool connected)> onConnected);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Starts the network thread; false (logged) when the settings cannot work.
    bool Start();
    // Disconnects and joins the network thread.
    void Stop();

private:
    static void OnConnect(mosquitto*, void* self, int code);
    static void OnDisconnect(mosquitto*, void* self, int code);
    static void OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
    void Deliver(std::size_t index, const char* payload, std::size_t length);
    void Connected(bool connected);
    bool Configure();

    const Connection connection;
    const std::vector<Topic> topics;
    glancer::LatestValues& values;
    const std::function<void(bool)> onConnected;

    mosquitto* client = nullptr;
    bool running = false;
    // Used on the network thread only.
    int lastRefusal = 0;
    std::vector<int> subscriptions; // the message id of each topic's latest subscription
    std::deque<glancer::Trouble> badMessages; // per topic: one line until a good message
    std::atomic<bool> connected{false};
};

} // namespace mqtt
