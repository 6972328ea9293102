#pragma once

#include <string>
#include <utility>
#include <vector>

#include "items/item_factory.h"
#include "items/screen_item.h"

namespace screendef_test {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Records its type parameters; "label", "key" (sort key), "w", "h" (size
// set as bounds by Prepare), "graphic" and "invalid" act on the item.
// Prepare and destruction are journaled as "prepare <label>", "destroy <label>".
struct RecordingItem : ScreenItem {
    explicit RecordingItem(std::vector<std::string>& journal) : journal(journal) {}
    ~RecordingItem() override { journal.push_back("destroy " + label); }
    std::int32_t GetSortKey() const override { return key; }
    void Prepare() override
    {
        journal.push_back("prepare " + label);
        bounds = {std::uint32_t(x), std::uint32_t(y), std::uint32_t(x + w), std::uint32_t(y + h)};
    }
    void Update() override { ++updates; }
    void SetTypeParameter(const std::string& name, const std::string& value) override
    {
        parameters.emplace_back(name, value);
        label = name == "label" ? value : label;
        key = name == "key" ? std::stoi(value) : key;
        w = name == "w" ? std::stoi(value) : w;
        h = name == "h" ? std::stoi(value) : h;
        graphic = graphic || name == "graphic";
        valid = valid && name != "invalid";
    }

    std::vector<std::string>& journal;
    Pairs parameters;
    std::string label;
    int key = 0, w = 0, h = 0, updates = 0;
};

struct RecordingFactory : ItemFactory {
    explicit RecordingFactory(std::vector<std::string>& journal) : ItemFactory("rec"), journal(journal) {}
    ScreenItem* Create() override
    {
        ++created;
        return new RecordingItem(journal);
    }
    std::vector<std::string>& journal;
    int created = 0;
};

inline RecordingItem& Recorded(ScreenItem* item)
{
    return *static_cast<RecordingItem*>(item);
}

} // namespace screendef_test
