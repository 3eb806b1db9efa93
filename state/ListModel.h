// A drop-down list of the main window without the widget: items in insertion order, no
// sorting, selection -1 for none.
#pragma once

#include <string>
#include <vector>

namespace vorn::state {

class ListModel {
  public:
    void Clear() {
        items_.clear();
        selected_ = -1;
    }
    void Add(std::string text) { items_.push_back(std::move(text)); }
    int Count() const { return static_cast<int>(items_.size()); }
    int Selected() const { return selected_; }
    // An index outside the items clears the selection.
    void SetSelected(int index) { selected_ = (index >= 0 && index < Count()) ? index : -1; }
    const std::string& Text(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    std::string SelectedText() const { return selected_ >= 0 ? items_[selected_] : std::string(); }
    const std::vector<std::string>& Items() const { return items_; }

  private:
    std::vector<std::string> items_;
    int selected_ = -1;
};

}  // namespace vorn::state
