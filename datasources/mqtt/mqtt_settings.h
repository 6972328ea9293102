#pragma once

// Settings, section "MQTT": Host, Port, Username, Password, ClientId, TLS
// (0/1) and CAFile; one topic per section "MQTT\Topics\1", "\2", ... with
// Id, Filter, Type and an optional Field (a JSON field path).

#include <cstdint>
#include <string>
#include <vector>

namespace mqtt {

inline constexpr char kSection[] = "MQTT";
inline constexpr char kTopicsSection[] = "MQTT\\Topics";
inline constexpr char kLogPrefix[] = "MQTT";

struct Connection {
    std::string host = "localhost";
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
    std::string type = "text";
    std::string field; // empty: the whole payload
};

Connection ReadConnection();
void WriteConnection(const Connection& connection);

// Every usable topic; each one refused gets a log line.
std::vector<Topic> ReadTopics();

} // namespace mqtt
