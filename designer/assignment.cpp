#include "designer/assignment.h"

namespace qv::designer {

void AssignmentModel::reset(const CaptionTable& captions, int count) {
    captions_ = captions;
    list_.clear();
    for (int n = 1; n <= count && n <= MaxFields; ++n) list_.push_back(captions_[static_cast<std::size_t>(n)]);
    for (auto& b : box_) b.clear();
    numbers_.fill(0);
}

bool AssignmentModel::dropOnBox(Part target, int listSelection) {
    std::string& t = box_[target];
    if (marker_ != ListMarker) {
        if (t != marker_) {
            if (!t.empty()) list_.push_back(t);
            ClearSource();
            t = marker_;
        }
    } else {
        if (listSelection < 0 || listSelection >= static_cast<int>(list_.size())) return false;
        // Taken before the append, which never moves the selected row.
        std::string dragged = list_[static_cast<std::size_t>(listSelection)];
        if (!t.empty()) list_.push_back(t);
        t = std::move(dragged);
        list_.erase(list_.begin() + listSelection);
    }
    numbers_[target] = t.empty() ? 0 : static_cast<std::uint8_t>(FieldNumber(captions_, t));
    return true;
}

void AssignmentModel::dropOnList() {
    if (marker_ == ListMarker) return;
    list_.push_back(marker_);
    ClearSource();
}

void AssignmentModel::ClearSource() {
    for (int p = 0; p < PartCount; ++p) {
        if (box_[static_cast<std::size_t>(p)] == marker_) {
            box_[static_cast<std::size_t>(p)].clear();
            numbers_[static_cast<std::size_t>(p)] = 0;
        }
    }
}

}  // namespace qv::designer
