// Which field of the customer's file feeds which address part, as the user
// drags captions between the field list and the 18 part boxes. No widgets:
// the form forwards pointer movement and drops here and shows the result.
//
// The drag-source marker names where the last drag came from: "lstFields"
// for the list, a box's text for a box, empty for the form's background.
// Drops read only the marker and the list's selection, never what a drag
// carries, so a caption dropped from a box is matched by its text.
#pragma once

#include "designer/records.h"

#include <string>
#include <vector>

namespace qv::designer {

class AssignmentModel {
public:
    static constexpr const char* ListMarker = "lstFields";

    // Starts over: the list holds captions 1..count in field order, every box
    // is empty and every part field number 0.
    void reset(const CaptionTable& captions, int count);

    const std::vector<std::string>& list() const { return list_; }
    const std::string& box(Part p) const { return box_[p]; }
    std::uint8_t number(Part p) const { return numbers_[p]; }
    const PartNumbers& numbers() const { return numbers_; }
    const CaptionTable& captions() const { return captions_; }

    const std::string& marker() const { return marker_; }
    void setMarker(std::string m) { marker_ = std::move(m); }

    // Pointer movement sets the marker.
    void pointerOverBackground() { marker_.clear(); }
    void pointerOverList() { marker_ = ListMarker; }
    void pointerOverBox(Part p) { marker_ = box_[p]; }

    // A drop on box `target`; `listSelection` is the list's selected row or
    // -1. Returns false when nothing happened (a drag from the list with no
    // caption selected); after true the sample is redrawn and the focus parked.
    bool dropOnBox(Part target, int listSelection);
    // A drop on the list: a caption dragged from a box goes back to its end.
    void dropOnList();
    // Empties every box whose text equals the marker.
    void ClearSource();

private:
    CaptionTable captions_{};
    std::vector<std::string> list_;
    std::array<std::string, PartCount> box_{};
    PartNumbers numbers_{};
    std::string marker_;
};

}  // namespace qv::designer
