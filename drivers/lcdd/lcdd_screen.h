#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/charpanel/device.h"
#include "drivers/lcdd/lcdd_protocol.h"

namespace lcdd {

// The screen Glancer keeps on an LCDd server, as the character-panel layer
// sees a device: it turns cursor moves and runs into LCDd widget commands,
// put to the batch the connection sends.
//
// Text goes into string widgets, one per run of text; a run that touches
// others merges with them, so widgets never overlap. Clients cannot define
// characters on LCDd, so the layer's user characters (and its full block)
// become vertical bar widgets as high as the cell's highest lit pixel:
// bar charts and graphs keep their shape, pictures become rough bars.
class LcddScreen : public charpanel::Device {
public:
    static constexpr char kScreenId[] = "Glancer";

    // `greeting` is the current connection's: bar lengths count in its
    // cell height.
    LcddScreen(charpanel::ByteSink& out, std::uint32_t columns, std::uint32_t rows, const Greeting& greeting);

    // A fresh connection: names the client, adds Glancer's screen, empty.
    void Init() override;
    void Clear() override;
    void MoveTo(std::uint32_t column, std::uint32_t row) override;
    void Write(const std::uint8_t* codes, std::size_t count) override;
    void DefineGlyph(std::uint32_t slot, charpanel::Pattern pattern) override;
    std::uint8_t TextCode(unsigned char latin1) const override;
    // A widget command costs about as much as a dozen characters.
    std::uint32_t MoveCost() const override { return 12; }

private:
    struct Span {
        std::uint32_t start;
        std::uint32_t end;
        std::uint32_t id;
    };

    void Forget(); // nothing shown
    void Put(std::string_view text) { out_.Put(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()); }
    std::uint32_t BarHeight(std::uint8_t code) const; // 0..8; 0 for text
    bool IsBar(std::uint8_t code) const { return code < charpanel::kGlyphSlots || code == charpanel::kFullBlock; }
    void ShowBar(std::uint32_t column, std::uint32_t row);
    void CutSpanAt(std::uint32_t column, std::uint32_t row);
    void ShowText(std::uint32_t row, std::uint32_t start, std::uint32_t end);
    void SetSpan(std::uint32_t row, const Span& span);
    void Command(bool add, char kind, std::uint32_t id, std::uint32_t row); // widget_add or widget_del

    std::uint32_t columns_;
    std::uint32_t rows_;
    std::vector<std::uint8_t> cells_;      // the codes the layer wrote
    std::vector<std::uint8_t> bars_;       // bar height shown per cell
    std::vector<std::vector<Span>> spans_; // string widgets per row, in column order
    std::array<charpanel::Pattern, charpanel::kGlyphSlots> glyphs_{};
    std::uint32_t nextId_ = 0;
    std::uint32_t cellHeight_ = 8;
    std::uint32_t column_ = 0;
    std::uint32_t row_ = 0;
    charpanel::ByteSink& out_;
    const Greeting& greeting_;
};

} // namespace lcdd
