#pragma once

#include <cstdint>
#include <string>

#include "items/graph_canvas.h"
#include "items/screen_item.h"
#include "plugin/catalogue.h"

// The history of a numeric plugin variable ("varid") as a sweeping line
// chart of "width" x "height" pixels scaled to "maxvalue". A graph missing
// its size shows nothing; one without a numeric variable or with maxvalue
// 0 shows its border only.
class GraphItem : public GraphicItem {
public:
    void Prepare() override;
    // Reads the variable, plots it (capped at maxValue) and queues a redraw
    // when the chart changed.
    void Update() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    VariableInfo variable;
    GraphCanvas canvas;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t minValue = 0;
    std::int32_t maxValue = 0;
};
