#include "hid/ModelTable.h"

namespace vorn::hid {

namespace {

const ModelRow* RowAt(int model) {
    if (model < 0 || model >= kModelCount) return nullptr;
    return &kModelTable[static_cast<std::size_t>(model)];
}

}  // namespace

std::string ModelNameFor(std::uint16_t vendorId, std::uint16_t productId) {
    for (const ModelRow& row : kModelTable) {
        if (row.vendorId == vendorId && row.productId == productId) {
            return std::string(row.name);
        }
    }
    return {};
}

std::optional<int> RowForName(std::string_view name) {
    for (int model = 0; model < kModelCount; ++model) {
        if (kModelTable[static_cast<std::size_t>(model)].name == name) return model;
    }
    return std::nullopt;
}

std::int32_t ScriptSlotCount(int model) {
    const ModelRow* row = RowAt(model);
    return row ? row->scriptSlotCount : 0;
}

std::uint8_t ScriptLayout(int model) {
    const ModelRow* row = RowAt(model);
    return row ? row->scriptLayout : 0;
}

}  // namespace vorn::hid
