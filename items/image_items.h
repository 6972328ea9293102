#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "items/screen_item.h"
#include "plugin/catalogue.h"

// A fixed picture read from a bitmap file.
class ImageItem : public GraphicItem {
public:
    void Prepare() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    std::string fileName;
};

// A picture a data component supplies and may change at any time.
class PluginImageItem : public GraphicItem {
public:
    void Prepare() override;
    void Update() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    ImageInfo image;
};

// Cycles through pictures read from bitmap files.
class AnimationItem : public GraphicItem {
public:
    void Prepare() override;
    void Update() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    std::vector<Bitmap> frames;
    std::size_t frameIndex = 0;
};
