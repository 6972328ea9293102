#include "items/image_items.h"

#include <ostream>
#include <utility>

#include "core/core.h"
#include "platform/platform.h"
#include "support/log_stream.h"

void ImageItem::Prepare()
{
    SetBoundsFromCurrent();
}

void ImageItem::SetTypeParameter(const std::string& name, const std::string& value)
{
    if (name != "imagebitmap") {
        LogUnknownParameter(name);
        return;
    }
    fileName = value;
    if (!current.LoadFile(platform::NativePath(value))) {
        LogStream << "Image load error: " << value << std::endl;
        valid = false;
    }
}

const PluginImage* PluginImageItem::Fetch() const
{
    if (image.component == nullptr)
        return nullptr;
    return image.component->vtbl->getImage(image.component, image.index);
}

void PluginImageItem::Prepare()
{
    const PluginImage* picture = Fetch();
    if (picture != nullptr)
        current.CopyFrom(*picture);
    else
        current.Reset();
    SetBoundsFromCurrent();
}

void PluginImageItem::Update()
{
    ShowPicture(Fetch());
}

void PluginImageItem::SetTypeParameter(const std::string& name, const std::string& value)
{
    if (name != "imageid") {
        LogUnknownParameter(name);
        return;
    }
    const std::string id = FirstWord(value);
    image = core != nullptr ? core->findImage(id) : ImageInfo{};
    if (!image.found) {
        LogStream << "Plugin image not found: " << id << std::endl;
        image = ImageInfo{};
        valid = false;
    }
}

void AnimationItem::Prepare()
{
    frameIndex = 0;
    if (frames.empty())
        current.Reset();
    else
        current.CopyFrom(frames.front());
    SetBoundsFromCurrent();
}

void AnimationItem::Update()
{
    if (frames.empty())
        return;
    if (frameIndex >= frames.size())
        frameIndex = 0;
    ShowPicture(frames[frameIndex]);
    frameIndex = (frameIndex + 1) % frames.size();
}

void AnimationItem::SetTypeParameter(const std::string& name, const std::string& value)
{
    if (name != "framebitmap") {
        LogUnknownParameter(name);
        return;
    }
    const std::string file = FirstWord(value);
    Bitmap frame;
    if (frame.LoadFile(platform::NativePath(file))) {
        frames.push_back(std::move(frame));
    } else {
        LogStream << "Animation frame load error: " << file << std::endl;
        valid = false;
    }
}
