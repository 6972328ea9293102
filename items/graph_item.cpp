#include "items/graph_item.h"

#include <ostream>

#include "core/core.h"
#include "items/variable_reader.h"
#include "support/log_stream.h"

void GraphItem::Prepare()
{
    canvas.Prepare(width, height, minValue, maxValue);
    current.CopyFrom(canvas);
    SetBoundsFromCurrent();
}

void GraphItem::Update()
{
    std::int32_t value = 0;
    if (ReadVariableNumber(variable, value) && canvas.ready == 1) {
        if (value > canvas.maxValue)
            value = canvas.maxValue;
        canvas.Plot(value);
    }
    ShowPicture(canvas);
}

void GraphItem::SetTypeParameter(const std::string& name, const std::string& value)
{
    if (name == "width") {
        ReadInt(value, width);
    } else if (name == "height") {
        ReadInt(value, height);
    } else if (name == "minvalue") {
        ReadInt(value, minValue);
    } else if (name == "maxvalue") {
        ReadInt(value, maxValue);
    } else if (name == "varid") {
        variable = core != nullptr ? core->findVariable(value) : VariableInfo{};
        if (!variable.found) {
            LogStream << "Variable ID not found: " << value << std::endl;
            variable = VariableInfo{};
            valid = false;
        }
    } else {
        LogUnknownParameter(name);
    }
}
