#pragma once

#include <array>
#include <string>
#include <utility>

class ScreenItem;

// Makes the items of one type name for the screen-file reader.
class ItemFactory {
public:
    explicit ItemFactory(std::string typeName) : typeName(std::move(typeName)) {}
    virtual ~ItemFactory() = default;

    // A new item with its type's initial values, or null when it cannot be
    // allocated. The base makes a plain ScreenItem that does nothing.
    virtual ScreenItem* Create();
    // The base does nothing; concrete factories delete the item (null is fine).
    virtual void Destroy(ScreenItem* item);

    std::string GetTypeName() const { return typeName; }

private:
    std::string typeName;
};

// One concrete factory per item type; Create makes the type's own class.
template <class Item> class ConcreteItemFactory : public ItemFactory {
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

// Defined once, with the item classes, in item_factory.cpp.
extern template class ConcreteItemFactory<TextItem>;
extern template class ConcreteItemFactory<PluginTextItem>;
extern template class ConcreteItemFactory<ImageItem>;
extern template class ConcreteItemFactory<PluginImageItem>;
extern template class ConcreteItemFactory<AnimationItem>;
extern template class ConcreteItemFactory<GraphItem>;

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

// The six factories start-up registers, in their registration order.
struct StandardItemFactories {
    TextFactory text;
    PluginTextFactory pluginText;
    ImageFactory image;
    PluginImageFactory pluginImage;
    AnimationFactory animation;
    GraphFactory graph;

    std::array<ItemFactory*, 6> All() { return {&text, &pluginText, &image, &pluginImage, &animation, &graph}; }
};
