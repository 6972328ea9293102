// "MQTT": values published on an MQTT broker as variables. Each configured
// topic becomes "MQTT.<Id>", its value the latest message (or one field of
// a JSON message) converted to the topic's type; a retained message gives
// the value at start. The flag "MQTT.Connected" is set while the broker is
// connected. The network runs on libmosquitto's own thread; a refresh only
// copies the latest value.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "datasources/common/latest_values.h"
#include "datasources/mqtt/mqtt_client.h"
#include "datasources/mqtt/mqtt_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "MQTT";
const char kConnectedFlag[] = "MQTT.Connected";

void ReportConnected(bool connected)
{
    glancer::SetFlag(kConnectedFlag, connected);
}

// Asks for one setting: Enter keeps it, "-" empties it; false at the end of input.
bool AskText(const char* prompt, std::string& value)
{
    std::string answer;
    if (!glancer::Ask(prompt, value, answer))
        return false;
    value = answer == "-" ? std::string() : answer.empty() ? value : answer;
    return true;
}

class MqttData : public glancer::DataSource {
public:
    ~MqttData() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (client != nullptr)
            return;
        std::vector<mqtt::Topic> topics = mqtt::ReadTopics();
        std::vector<std::uint32_t> types;
        for (const mqtt::Topic& topic : topics) {
            types.push_back(*datavalues::TypeFromName(topic.type));
            AddVariable("MQTT." + topic.id, topic.filter, types.back());
        }
        values = std::make_unique<datavalues::LatestValues>(types);
        client = std::make_unique<mqtt::Client>(mqtt::ReadConnection(), std::move(topics), *values, ReportConnected);
        client->Start();
    }

    void Shutdown() override
    {
        if (client != nullptr)
            client->Stop();
    }

    // The connection only: topics are sub-keys, edited in the settings file.
    bool Configure() override
    {
        mqtt::Connection connection = mqtt::ReadConnection();
        std::string port = std::to_string(connection.port);
        std::string tls = connection.tls ? "1" : "0";
        std::printf(
            "MQTT settings (Enter keeps a value, - empties it; topics are the sections MQTT\\Topics\\1, \\2, ...).\n");
        if (!AskText("Broker host", connection.host) || !AskText("Port", port) ||
            !AskText("Username (empty for none)", connection.username) || !AskText("Password", connection.password) ||
            !AskText("Client id (empty: made up)", connection.clientId) || !AskText("TLS (0 or 1)", tls) ||
            !AskText("CA file for TLS (empty: the system's)", connection.caFile))
            return true;
        const long number = std::atol(port.c_str());
        connection.port = number >= 1 && number <= 65535 ? number : connection.port;
        connection.tls = tls == "1";
        mqtt::WriteConnection(connection);
        return true;
    }

    void GetValue(std::uint32_t index, glancer::Value& out) override
    {
        if (values != nullptr)
            values->Read(index, out);
    }

private:
    std::unique_ptr<datavalues::LatestValues> values;
    std::unique_ptr<mqtt::Client> client;
};

const glancer::About kAbout{kName, {"Data source: values published on an MQTT broker", GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, MqttData)
