#pragma once

#include <string>
#include <utility>

class ScreenItem;

// Makes the items of one type name for the screen-file reader.
class ItemFactory {
public:
    explicit ItemFactory(std::string typeName) : typeName(std::move(typeName)) {}
    virtual ~ItemFactory() = default;

    // A new item, or null when it cannot be allocated. The base makes a plain ScreenItem.
    virtual ScreenItem* Create();
    virtual void Destroy(ScreenItem* item);

    std::string GetTypeName() const { return typeName; }

private:
    std::string typeName;
};

// One concrete factory per item type; Create makes the type's own class.
template <class Item>
class ConcreteItemFactory : public ItemFactory {
public:
    explicit ConcreteItemFactory(std::string typeName) : ItemFactory(std::move(typeName)) {}
    ScreenItem* Create() override;
    void Destroy(ScreenItem* item) override;
};

class TextItem;
class PluginTextItem;
class ImageItem;
class PluginImageItem;
class AnimationItem;
class GraphItem;

struct TextFactory final : ConcreteItemFactory<TextItem> {
    TextFactory() : ConcreteItemFactory("text") {}
};
struct PluginTextFactory final : ConcreteItemFactory<PluginTextItem> {
    PluginTextFactory() : ConcreteItemFactory("plugintext") {}
};
struct ImageFactory final : ConcreteItemFactory<ImageItem> {
    ImageFactory() : ConcreteItemFactory("image") {}
};
struct PluginImageFactory final : ConcreteItemFactory<PluginImageItem> {
    PluginImageFactory() : ConcreteItemFactory("pluginimage") {}
};
struct AnimationFactory final : ConcreteItemFactory<AnimationItem> {
    AnimationFactory() : ConcreteItemFactory("animation") {}
};
struct GraphFactory final : ConcreteItemFactory<GraphItem> {
    GraphFactory() : ConcreteItemFactory("graph") {}
};
