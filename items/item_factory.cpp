#include "items/item_factory.h"

#include <new>

#include "items/graph_item.h"
#include "items/image_items.h"
#include "items/screen_item.h"
#include "items/text_items.h"

ScreenItem* ItemFactory::Create()
{
    return new (std::nothrow) ScreenItem;
}

void ItemFactory::Destroy(ScreenItem*)
{
}

template <class Item> ScreenItem* ConcreteItemFactory<Item>::Create()
{
    return new (std::nothrow) Item;
}

template <class Item> void ConcreteItemFactory<Item>::Destroy(ScreenItem* item)
{
    delete item;
}

template class ConcreteItemFactory<TextItem>;
template class ConcreteItemFactory<PluginTextItem>;
template class ConcreteItemFactory<ImageItem>;
template class ConcreteItemFactory<PluginImageItem>;
template class ConcreteItemFactory<AnimationItem>;
template class ConcreteItemFactory<GraphItem>;
