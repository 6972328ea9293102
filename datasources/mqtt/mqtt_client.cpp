#include "datasources/mqtt/mqtt_client.h"

#include <mosquitto.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "datasources/mqtt/json_field.h"
#include "plugin/api/glancer_plugin.hpp"

namespace mqtt {
namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr unsigned kFirstRetrySeconds = 1;
constexpr unsigned kLastRetrySeconds = 30;
const char kSystemCertificates[] = "/etc/ssl/certs";

void Say(const std::string& text)
{
    glancer::Log(std::string(kLogPrefix) + ": " + text);
}

Client& Of(void* self)
{
    return *static_cast<Client*>(self);
}

} // namespace

Client::Client(Connection connection, std::vector<Topic> topics, glancer::LatestValues& values,
               std::function<void(bool)> onConnected)
    : connection(std::move(connection)), topics(std::move(topics)), values(values), onConnected(std::move(onConnected)),
      subscriptions(this->topics.size(), -1)
{
    // A sender that keeps sending bad messages does not fill the log.
    for (const Topic& topic : this->topics)
        badMessages.emplace_back(std::string(kLogPrefix) + ": a message on MQTT." + topic.id);
}

Client::~Client()
{
    Stop();
}

bool Client::Configure()
{
    if (!connection.username.empty() &&
        mosquitto_username_pw_set(client, connection.username.c_str(), connection.password.c_str()) != 0) {
        Say("the Username or Password is not usable; not connecting");
        return false;
    }
    if (!connection.tls)
        return true;
    const bool ownFile = !connection.caFile.empty();
    if (ownFile) {
        std::FILE* file = std::fopen(connection.caFile.c_str(), "rb");
        if (file == nullptr) {
            Say("cannot read the CAFile \"" + connection.caFile + "\"; not connecting");
            return false;
        }
        std::fclose(file);
    }
    const int code = mosquitto_tls_set(client, ownFile ? connection.caFile.c_str() : nullptr,
                                       ownFile ? nullptr : kSystemCertificates, nullptr, nullptr, nullptr);
    if (code != MOSQ_ERR_SUCCESS) {
        Say(std::string("cannot set up TLS: ") + mosquitto_strerror(code) + "; not connecting");
        return false;
    }
    return true;
}

bool Client::Start()
{
    mosquitto_lib_init();
    client = mosquitto_new(connection.clientId.empty() ? nullptr : connection.clientId.c_str(), true, this);
    if (client == nullptr) {
        Say("cannot create a client (is ClientId \"" + connection.clientId + "\" usable?)");
        mosquitto_lib_cleanup();
        return false;
    }
    mosquitto_connect_callback_set(client, OnConnect);
    mosquitto_disconnect_callback_set(client, OnDisconnect);
    mosquitto_subscribe_callback_set(client, OnSubscribe);
    mosquitto_message_callback_set(client, OnMessage);
    mosquitto_reconnect_delay_set(client, kFirstRetrySeconds, kLastRetrySeconds, true);
    if (!Configure()) {
        Stop();
        return false;
    }
    const int code =
        mosquitto_connect_async(client, connection.host.c_str(), static_cast<int>(connection.port), kKeepAliveSeconds);
    if (code != MOSQ_ERR_SUCCESS)
        Say("cannot reach " + connection.host + ":" + std::to_string(connection.port) + " now (" +
            mosquitto_strerror(code) + "); retrying");
    if (mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS) {
        Say("cannot start the network thread");
        Stop();
        return false;
    }
    running = true;
    return true;
}

void Client::Stop()
{
    if (client == nullptr)
        return;
    if (running) {
        mosquitto_disconnect(client);
        mosquitto_loop_stop(client, false);
        running = false;
    }
    mosquitto_destroy(client);
    client = nullptr;
    mosquitto_lib_cleanup();
    Connected(false);
}

void Client::Connected(bool now)
{
    if (connected.exchange(now) != now)
        onConnected(now);
}

void Client::OnConnect(mosquitto*, void* self, int code)
{
    Client& me = Of(self);
    if (code != 0) {
        if (code != me.lastRefusal)
            Say(std::string("the broker refused the connection: ") + mosquitto_connack_string(code));
        me.lastRefusal = code;
        return;
    }
    me.lastRefusal = 0;
    Say("connected to " + me.connection.host + ":" + std::to_string(me.connection.port));
    for (std::size_t i = 0; i < me.topics.size(); ++i)
        if (mosquitto_subscribe(me.client, &me.subscriptions[i], me.topics[i].filter.c_str(), 0) != MOSQ_ERR_SUCCESS)
            Say("cannot subscribe to \"" + me.topics[i].filter + "\"");
    me.Connected(true);
}

void Client::OnDisconnect(mosquitto*, void* self, int code)
{
    Client& me = Of(self);
    const bool was = me.connected.load();
    me.Connected(false); // before the log line, which says the flag is gone
    if (was && code != 0)
        Say("lost the connection (" + std::string(mosquitto_strerror(code)) + "); reconnecting");
}

void Client::OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted)
{
    Client& me = Of(self);
    const auto found = std::find(me.subscriptions.begin(), me.subscriptions.end(), mid);
    if (found == me.subscriptions.end() || count < 1 || granted[0] < 0x80)
        return;
    const Topic& topic = me.topics[static_cast<std::size_t>(found - me.subscriptions.begin())];
    Say("the broker refused the topic filter \"" + topic.filter + "\" of MQTT." + topic.id);
}

void Client::OnMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    Client& me = Of(self);
    if (message == nullptr || message->topic == nullptr)
        return;
    const char* payload = static_cast<const char*>(message->payload);
    const std::size_t length = payload != nullptr ? static_cast<std::size_t>(message->payloadlen) : 0;
    for (std::size_t i = 0; i < me.topics.size(); ++i) {
        bool matches = false;
        if (mosquitto_topic_matches_sub(me.topics[i].filter.c_str(), message->topic, &matches) == 0 && matches)
            me.Deliver(i, payload, length);
    }
}

void Client::Deliver(std::size_t index, const char* payload, std::size_t length)
{
    const Topic& topic = topics[index];
    const std::string_view bytes(payload != nullptr ? payload : "", length);
    const std::string number = topic.variable.Type() == GLANCER_VAR_INT ? "an integer" : "a number";
    std::string problem;
    if (topic.field.empty()) {
        if (!values.SetFromText(topic.variable, bytes))
            problem = "is not " + number;
    } else if (const JsonFieldResult field = JsonField(bytes, topic.field); field.status == JsonFieldResult::Found) {
        if (!values.SetFromText(topic.variable, field.text))
            problem = "has a field " + topic.field + " that is not " + number;
    } else {
        problem = field.text;
        if (field.status == JsonFieldResult::Missing)
            values.MarkStale(topic.variable);
    }
    if (!problem.empty())
        badMessages[index].Fail(problem + "; keeping the last value");
    else
        badMessages[index].Recover("is good again");
}

} // namespace mqtt
