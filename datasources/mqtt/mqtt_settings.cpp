#include "datasources/mqtt/mqtt_settings.h"

#include <mosquitto.h>

#include <algorithm>

#include "datasources/common/latest_values.h"
#include "plugin/api/glancer_plugin.hpp"

namespace mqtt {
namespace {

std::string Problem(const Topic& topic, const std::vector<std::string>& ids)
{
    if (std::string problem = datavalues::IdAndTypeProblem(topic.id, topic.type, ids); !problem.empty())
        return problem;
    if (topic.filter.empty() || mosquitto_sub_topic_check(topic.filter.c_str()) != MOSQ_ERR_SUCCESS)
        return "Filter \"" + topic.filter + "\" is not a topic filter";
    return {};
}

} // namespace

Connection ReadConnection()
{
    const glancer::Settings settings(kSection, kLogPrefix);
    Connection connection;
    connection.host = settings.Text("Host", connection.host);
    connection.port = settings.Number("Port", connection.port, 1, 65535);
    connection.username = settings.Text("Username", "");
    connection.password = settings.Text("Password", "");
    connection.clientId = settings.Text("ClientId", "");
    connection.tls = settings.Number("TLS", 0, 0, 1) == 1;
    connection.caFile = settings.Text("CAFile", "");
    return connection;
}

void WriteConnection(const Connection& connection)
{
    const glancer::Settings settings(kSection, kLogPrefix);
    settings.WriteText("Host", connection.host);
    settings.WriteNumber("Port", static_cast<std::uint32_t>(connection.port));
    settings.WriteText("Username", connection.username);
    settings.WriteText("Password", connection.password);
    settings.WriteText("ClientId", connection.clientId);
    settings.WriteNumber("TLS", connection.tls ? 1 : 0);
    settings.WriteText("CAFile", connection.caFile);
}

std::vector<Topic> ReadTopics()
{
    std::vector<Topic> topics;
    std::vector<std::string> ids;
    const std::vector<glancer::Settings> sections = glancer::NumberedSections(kTopicsSection, kLogPrefix);
    for (const glancer::Settings& section : sections) {
        Topic topic;
        topic.id = section.Text("Id", "");
        topic.filter = section.Text("Filter", "");
        topic.type = section.Text("Type", topic.type);
        topic.field = section.Text("Field", "");
        const std::string problem = Problem(topic, ids);
        if (!problem.empty()) {
            glancer::Log(std::string(kLogPrefix) + ": " + section.Section() + " " + problem + "; skipped");
            continue;
        }
        ids.push_back(topic.id);
        topics.push_back(topic);
    }
    return topics;
}

} // namespace mqtt
