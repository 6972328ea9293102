#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "items/item_factory.h"
#include "items/screen_item.h"

namespace screendef_test {

// What the recording items did, shared by all items of one factory.
struct ItemJournal {
    std::vector<std::string> events; // "prepare <label>", "destroy <label>"
    int created = 0;
};

// An item that records its type parameters and life cycle. Type parameters
// with a meaning: "label" names it, "key" is its sort key, "w" and "h" its
// size (bounds are set in Prepare), "graphic" makes it graphic, "invalid"
// makes it not valid.
class RecordingItem : public ScreenItem {
public:
    explicit RecordingItem(ItemJournal& journal) : journal(journal) { ++journal.created; }
    ~RecordingItem() override { journal.events.push_back("destroy " + label); }

    std::int32_t GetSortKey() const override { return sortKey; }
    void Prepare() override
    {
        journal.events.push_back("prepare " + label);
        bounds = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), static_cast<std::uint32_t>(x + w),
                  static_cast<std::uint32_t>(y + h)};
    }
    void Update() override { ++updates; }
    void SetTypeParameter(const std::string& name, const std::string& value) override
    {
        parameters.emplace_back(name, value);
        if (name == "label")
            label = value;
        else if (name == "key")
            sortKey = std::stoi(value);
        else if (name == "w")
            w = std::stoi(value);
        else if (name == "h")
            h = std::stoi(value);
        else if (name == "graphic")
            graphic = true;
        else if (name == "invalid")
            valid = false;
    }

    ItemJournal& journal;
    std::vector<std::pair<std::string, std::string>> parameters;
    std::string label;
    std::int32_t sortKey = 0;
    std::int32_t w = 0;
    std::int32_t h = 0;
    int updates = 0;
};

class RecordingFactory : public ItemFactory {
public:
    explicit RecordingFactory(ItemJournal& journal, std::string typeName = "rec")
        : ItemFactory(std::move(typeName)), journal(journal)
    {
    }
    ScreenItem* Create() override { return new RecordingItem(journal); }

private:
    ItemJournal& journal;
};

inline RecordingItem& Recorded(ScreenItem* item)
{
    return *static_cast<RecordingItem*>(item);
}

} // namespace screendef_test
