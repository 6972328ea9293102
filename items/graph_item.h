#pragma once

#include <cstdint>
#include <string>

#include "items/graph_canvas.h"
#include "items/screen_item.h"
#include "plugin/catalogue.h"

// The history of a numeric plugin variable as a sweeping line chart.
class GraphItem : public GraphicItem {
public:
    void Prepare() override;
    void Update() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    VariableInfo variable;
    GraphCanvas canvas;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t minValue = 0;
    std::int32_t maxValue = 0;
};
