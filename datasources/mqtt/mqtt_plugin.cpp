// "MQTT": values published on an MQTT broker as variables. Each configured
// topic becomes "MQTT.<Id>", its value the latest message (or one field of
// a JSON message) converted to the topic's type; a retained message gives
// the value at start. The flag "MQTT.Connected" is set while the broker is
// connected. The network runs on libmosquitto's own thread; a refresh only
// copies the latest value.
#include <mosquitto.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "datasources/mqtt/mqtt_client.h"
#include "plugin/api/glancer_kit.hpp"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "MQTT";
const char kConnectedFlag[] = "MQTT.Connected";
const char kTopicsSection[] = "MQTT\\Topics";

// The connection. Configure asks for these; the topics are edited in the
// settings file, one section each: "MQTT\Topics\1", "\2", ...
const glancer::DeclaredSettings kConnection(kName, mqtt::kLogPrefix, {
    glancer::setting::Text("Host", "Broker host", "localhost"),
    glancer::setting::Number("Port", "Port", 1883, 1, 65535),
    glancer::setting::Text("Username", "Username (empty for none)", ""),
    glancer::setting::Text("Password", "Password", ""),
    glancer::setting::Text("ClientId", "Client id (empty: made up)", ""),
    glancer::setting::Number("TLS", "TLS, 1 yes, 0 no", 0, 0, 1),
    glancer::setting::Path("CAFile", "CA file for TLS (empty: the system's)", ""),
});

// Type is a text, not a choice: a topic with an unknown one is skipped, not
// shown as text.
const glancer::DeclaredSettings kTopic(kTopicsSection, mqtt::kLogPrefix, {
    glancer::setting::Text("Id", "Id (the variable is MQTT.<Id>)", ""),
    glancer::setting::Text("Filter", "Topic filter", ""),
    glancer::setting::Text("Type", "Type: text, integer or double", "text"),
    glancer::setting::Text("Field", "JSON field path (empty: the whole message)", ""),
});

void ReportConnected(bool connected)
{
    glancer::SetFlag(kConnectedFlag, connected);
}

mqtt::Connection ReadConnection()
{
    const glancer::SettingValues stored = kConnection.Read();
    mqtt::Connection connection;
    connection.host = stored.Text("Host");
    connection.port = stored.Number("Port");
    connection.username = stored.Text("Username");
    connection.password = stored.Text("Password");
    connection.clientId = stored.Text("ClientId");
    connection.tls = stored.Number("TLS") == 1;
    connection.caFile = stored.Text("CAFile");
    return connection;
}

class MqttData : public glancer::DataSource {
public:
    ~MqttData() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (client != nullptr)
            return;
        std::vector<mqtt::Topic> topics = ReadTopics();
        client = std::make_unique<mqtt::Client>(ReadConnection(), std::move(topics), values, ReportConnected);
        client->Start();
    }

    void Shutdown() override
    {
        if (client != nullptr)
            client->Stop();
    }

    bool Configure() override
    {
#ifndef _WIN32
        std::printf("Topics are the sections %s\\1, \\2, ... of the settings file.\n", kTopicsSection);
#endif
        return kConnection.Configure(kName);
    }

    void GetValue(std::uint32_t index, glancer::Value& out) override { values.Read(index, out); }

private:
    // Every usable topic, each one with its variable; each one refused gets a
    // log line.
    std::vector<mqtt::Topic> ReadTopics()
    {
        std::vector<mqtt::Topic> topics;
        std::vector<std::string> ids;
        for (const glancer::Settings& section : glancer::NumberedSections(kTopicsSection, mqtt::kLogPrefix)) {
            const glancer::SettingValues stored = kTopic.ReadFrom(section);
            mqtt::Topic topic{stored.Text("Id"), stored.Text("Filter"), stored.Text("Field"), {}};
            std::string problem = glancer::EntryProblem(topic.id, stored.Text("Type"), ids);
            if (problem.empty() &&
                (topic.filter.empty() || mosquitto_sub_topic_check(topic.filter.c_str()) != MOSQ_ERR_SUCCESS))
                problem = "Filter \"" + topic.filter + "\" is not a topic filter";
            if (!problem.empty()) {
                glancer::Log(std::string(mqtt::kLogPrefix) + ": " + section.Section() + " " + problem + "; skipped");
                continue;
            }
            ids.push_back(topic.id);
            topic.variable = AddVariable("MQTT." + topic.id, topic.filter, *glancer::TypeNamed(stored.Text("Type")));
            values.MarkStale(topic.variable); // a text reads "?" until its first message
            topics.push_back(std::move(topic));
        }
        return topics;
    }

    glancer::LatestValues values;
    std::unique_ptr<mqtt::Client> client;
};

const glancer::About kAbout{kName, {"Data source: values published on an MQTT broker", GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, MqttData)
