#include "plugin/catalogue.h"

#include <cstring>

#include "support/log_stream.h"

namespace {

template <class Operation> std::string ReadText(IData* component, Operation operation, std::uint32_t index)
{
    char buffer[GLANCER_TEXT_SIZE] = {};
    (component->vtbl->*operation)(component, index, buffer);
    return TextFromBuffer(buffer, sizeof buffer);
}

// The count a plugin reports, asked once, capped so a wrong count cannot make
// start-up loop for minutes or fill memory.
std::int32_t BoundedCount(std::int32_t count, const DataSource& record, const char* what)
{
    if (count <= kMaxCatalogueEntries)
        return count;
    LogStream << "Data source " << record.name << " reports " << count << ' ' << what << "; only the first "
              << kMaxCatalogueEntries << " are used" << std::endl;
    return kMaxCatalogueEntries;
}

void FillVariables(DataSource& record, std::int32_t count)
{
    IData* component = record.component;
    for (std::int32_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::uint32_t>(i);
        const std::uint32_t type = component->vtbl->getVariableType(component, index);
        std::string name = ReadText(component, &IDataVtbl::getVariableName, index);
        std::string id = ReadText(component, &IDataVtbl::getVariableId, index);
        record.variableNames.push_back(name);
        record.variables[id] = VariableInfo{component, index, type, false, name, id};
        LogStream << "Plugin variable: ID:\"" << id << "\" Name:\"" << name
                  << "\" Type: " << static_cast<std::int32_t>(type) << ' ' << i << std::endl;
        record.variableIds.push_back(std::move(id));
    }
}

void FillImages(DataSource& record)
{
    IData* component = record.component;
    const std::int32_t count = BoundedCount(component->vtbl->getImageCount(component), record, "images");
    for (std::int32_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::uint32_t>(i);
        std::string name = ReadText(component, &IDataVtbl::getImageName, index);
        std::string id = ReadText(component, &IDataVtbl::getImageId, index);
        record.imageNames.push_back(name);
        record.images[id] = ImageInfo{component, index, false, name, id};
        const PluginImage* image = component->vtbl->getImage(component, index);
        const std::uint32_t width = image != nullptr ? image->width : 0;
        const std::uint32_t height = image != nullptr ? image->height : 0;
        record.imageSizes.emplace_back(width, height);
        LogStream << "Plugin image: ID:\"" << id << "\" Name:\"" << name
                  << "\"  SizeX: " << static_cast<std::int32_t>(width)
                  << " SizeY: " << static_cast<std::int32_t>(height) << ' ' << i << std::endl;
        record.imageIds.push_back(std::move(id));
    }
}

} // namespace

void addDataSource(std::vector<DataSource>& dataSources, IData* component)
{
    DataSource record;
    record.component = component;
    if (component != nullptr) {
        char buffer[GLANCER_TEXT_SIZE] = {};
        component->vtbl->getName(component, buffer);
        record.name = TextFromBuffer(buffer, sizeof buffer);
    }
    dataSources.push_back(std::move(record));
}

void fillDataSource(DataSource& record)
{
    IData* component = record.component;
    if (component == nullptr)
        return;
    component->vtbl->init(component);
    const std::int32_t variables = component->vtbl->getVariableCount(component);
    LogStream << "varCount: " << variables << std::endl;
    FillVariables(record, BoundedCount(variables, record, "variables"));
    FillImages(record);
}

VariableInfo findVariable(const std::vector<DataSource>& dataSources, const std::string& id)
{
    for (const DataSource& source : dataSources) {
        const auto found = source.variables.find(id);
        if (found != source.variables.end()) {
            VariableInfo info = found->second;
            info.found = true;
            return info;
        }
    }
    return VariableInfo{};
}

ImageInfo findImage(const std::vector<DataSource>& dataSources, const std::string& id)
{
    for (const DataSource& source : dataSources) {
        const auto found = source.images.find(id);
        if (found != source.images.end()) {
            ImageInfo info = found->second;
            info.found = true;
            return info;
        }
    }
    return ImageInfo{};
}

std::string TextFromBuffer(const char* buffer, std::size_t size)
{
    if (buffer == nullptr)
        return {};
    const void* end = std::memchr(buffer, '\0', size);
    return std::string(buffer, end != nullptr ? static_cast<const char*>(end) - buffer : size);
}
