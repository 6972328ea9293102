#include "app/authoring.h"

#include "app/data_source_choice.h"
#include "app/driver_choice.h"
#include "app/screen_check.h"
#include "core/core.h"
#include "items/item_factory.h"
#include "items/variable_reader.h"

namespace {

const char* TypeName(std::uint32_t type)
{
    switch (type) {
    case GLANCER_VAR_TEXT:
        return "text";
    case GLANCER_VAR_INT:
        return "integer";
    case GLANCER_VAR_DOUBLE:
        return "double";
    default:
        return "unknown";
    }
}

// Control characters would break the one-line-per-value layout.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return text;
}

void ListSource(const DataSource& source, std::FILE* out)
{
    std::string value;
    for (const std::string& id : source.variableIds) {
        const auto found = source.variables.find(id);
        if (found == source.variables.end())
            continue;
        ReadVariableText(found->second, value);
        std::fprintf(out, "%s  %s  %s\n", OneLine(id).c_str(), TypeName(found->second.type), OneLine(value).c_str());
    }
    for (const std::string& id : source.imageIds) {
        const auto found = source.images.find(id);
        if (found == source.images.end() || source.component == nullptr)
            continue;
        const PluginImage* image = source.component->vtbl->getImage(source.component, found->second.index);
        const unsigned width = image != nullptr ? image->width : 0;
        const unsigned height = image != nullptr ? image->height : 0;
        std::fprintf(out, "%s  picture  %ux%u\n", OneLine(id).c_str(), width, height);
    }
}

} // namespace

int CheckScreens(Core& core, const std::string& shownDir, std::FILE* out, std::FILE* err)
{
    CheckPanel panel;
    const std::string driverName = ReadDriverSetting();
    if (IDisplayDriver* driver = FindDriver(core.drivers, driverName)) {
        DisplayInfo info{};
        if (const DisplayInfo* reported = driver->vtbl->getDisplayInfo(driver, &info))
            panel = CheckPanel{reported->xPixels, reported->yPixels, reported->xChars, reported->yChars};
    } else {
        std::fprintf(err, "glancer: warning: no display driver chosen; positions are not checked\n");
    }

    StandardItemFactories factories;
    for (ItemFactory* factory : factories.All())
        core.AddFactory(*factory);
    ScreenCheck check(core, panel);
    check.Run();
    core.factories.clear();

    const std::string prefix = shownDir.empty() || shownDir == "." ? std::string()
                               : shownDir.back() == '/'            ? shownDir
                                                                   : shownDir + "/";
    for (const CheckMessage& message : check.messages)
        std::fprintf(err, "%s%s:%d: %s%s\n", prefix.c_str(), message.file.c_str(), static_cast<int>(message.line),
                     message.warning ? "warning: " : "", OneLine(message.text).c_str());
    std::fflush(err);
    const std::string summary = std::to_string(check.screenCount) + " screens, " + std::to_string(check.itemCount) +
                                " items: " + std::to_string(check.errors) + " errors, " +
                                std::to_string(check.warnings) + " warnings\n";
    if (check.errors > 0) {
        std::fprintf(err, "glancer: %s", summary.c_str());
        return 1;
    }
    std::fputs(summary.c_str(), out);
    return 0;
}

int ListValues(Core& core, const std::string& source, std::FILE* out, std::FILE* err)
{
    if (!source.empty()) {
        const DataSource* found = FindDataSource(core.dataSources, source);
        if (found == nullptr) {
            std::string names;
            for (const std::string& name : SortedDataSourceNames(core.dataSources))
                names += (names.empty() ? "" : ", ") + name;
            std::fprintf(err, "glancer: no data source named \"%s\"; data sources found: %s.\n", source.c_str(),
                         names.empty() ? "none" : names.c_str());
            return 1;
        }
        ListSource(*found, out);
        return 0;
    }
    for (const DataSource& dataSource : core.dataSources)
        ListSource(dataSource, out);
    return 0;
}
