#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "items/screen_item.h"
#include "plugin/catalogue.h"

// A fixed picture read from a bitmap file ("imagebitmap"); never changes.
class ImageItem : public GraphicItem {
public:
    void Prepare() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;
    bool Still() const override { return true; }

    std::string fileName;
};

// A picture a data component supplies ("imageid") and may change at any
// time. A missing picture (no component, getImage giving null, or a picture
// whose size does not match its geometry) shows as empty. `bounds` is taken
// at Prepare and kept when the picture later changes its size.
class PluginImageItem : public GraphicItem {
public:
    void Prepare() override;
    void Update() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    ImageInfo image;

private:
    const PluginImage* Fetch() const;
};

// Cycles through pictures read from bitmap files ("framebitmap", one per
// frame, in order). Prepare shows the first frame; each Update shows the
// frame at frameIndex and moves on, wrapping. Without frames nothing is drawn.
class AnimationItem : public GraphicItem {
public:
    void Prepare() override;
    void Update() override;
    void SetTypeParameter(const std::string& name, const std::string& value) override;

    std::vector<Bitmap> frames;
    std::size_t frameIndex = 0;
};
