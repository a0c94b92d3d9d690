#include "designer/assignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace qv::designer;
using List = std::vector<std::string>;

namespace {

class Assignment : public ::testing::Test {
protected:
    void SetUp() override { start({"Name", "Street", "Town", "Postcode", "Ref"}); }

    void start(const List& captions) {
        CaptionTable c{};
        for (std::size_t i = 0; i < captions.size(); ++i) c[i + 1] = captions[i];
        m.reset(c, static_cast<int>(captions.size()));
    }
    int indexOf(const std::string& caption) const {
        const auto& l = m.list();
        const auto it = std::find(l.begin(), l.end(), caption);
        return it == l.end() ? -1 : static_cast<int>(it - l.begin());
    }
    // A drag from the list: the pointer crossed the list, then the drop.
    bool fromList(const std::string& caption, Part target) {
        m.pointerOverList();
        return m.dropOnBox(target, indexOf(caption));
    }
    bool fromBox(Part source, Part target) {
        m.pointerOverBox(source);
        return m.dropOnBox(target, -1);
    }
    void boxToList(Part source) {
        m.pointerOverBox(source);
        m.dropOnList();
    }

    AssignmentModel m;
};

TEST_F(Assignment, StartsEmpty) {
    EXPECT_EQ(m.list(), (List{"Name", "Street", "Town", "Postcode", "Ref"}));
    for (int p = 0; p < PartCount; ++p) {
        EXPECT_EQ(m.box(static_cast<Part>(p)), "");
        EXPECT_EQ(m.number(static_cast<Part>(p)), 0);
    }
}

TEST_F(Assignment, FromTheList) {
    // Onto an empty box: it leaves the list, the others keep their order.
    ASSERT_TRUE(fromList("Town", Town));
    EXPECT_EQ(m.box(Town), "Town");
    EXPECT_EQ(m.number(Town), 3);
    EXPECT_EQ(m.list(), (List{"Name", "Street", "Postcode", "Ref"}));

    // Onto a box that holds one: the old caption goes to the end of the list.
    ASSERT_TRUE(fromList("Street", Town));
    EXPECT_EQ(m.box(Town), "Street");
    EXPECT_EQ(m.number(Town), 2);
    EXPECT_EQ(m.list(), (List{"Name", "Postcode", "Ref", "Town"}));

    // The last caption of the list, dropped over a box that holds one.
    ASSERT_TRUE(fromList("Town", Town));
    EXPECT_EQ(m.list(), (List{"Name", "Postcode", "Ref", "Street"}));
}

TEST_F(Assignment, NothingSelectedDoesNothing) {
    ASSERT_TRUE(fromList("Town", Town));
    m.pointerOverList();
    EXPECT_FALSE(m.dropOnBox(Town, -1));
    EXPECT_FALSE(m.dropOnBox(Post1, 99));
    EXPECT_EQ(m.box(Town), "Town");
    EXPECT_EQ(m.number(Town), 3);
    EXPECT_EQ(m.list(), (List{"Name", "Street", "Postcode", "Ref"}));
}

TEST_F(Assignment, BetweenBoxes) {
    struct Case {
        const char* what;
        Part target;
        const char* targetBefore;  // caption on the target first, or ""
        const char* targetAfter;
        List listAfter;
    };
    const Case cases[] = {
        {"onto itself", Post1, "", "Postcode", {"Name", "Street", "Town", "Ref"}},
        {"onto an empty box", Post2, "", "Postcode", {"Name", "Street", "Town", "Ref"}},
        {"onto a box holding another", Town, "Town", "Postcode", {"Name", "Street", "Ref", "Town"}},
    };
    for (const auto& c : cases) {
        SetUp();
        ASSERT_TRUE(fromList("Postcode", Post1));
        if (*c.targetBefore) {
            ASSERT_TRUE(fromList(c.targetBefore, c.target));
        }
        ASSERT_TRUE(fromBox(Post1, c.target)) << c.what;
        EXPECT_EQ(m.box(c.target), c.targetAfter) << c.what;
        EXPECT_EQ(m.number(c.target), 4) << c.what;
        if (c.target != Post1) {
            EXPECT_EQ(m.box(Post1), "") << c.what;
            EXPECT_EQ(m.number(Post1), 0) << c.what;
        }
        EXPECT_EQ(m.list(), c.listAfter) << c.what;
    }
}

TEST_F(Assignment, BackToTheList) {
    ASSERT_TRUE(fromList("Name", Name1));
    ASSERT_TRUE(fromList("Ref", Ref));
    boxToList(Name1);
    EXPECT_EQ(m.box(Name1), "");
    EXPECT_EQ(m.number(Name1), 0);
    EXPECT_EQ(m.list(), (List{"Street", "Town", "Postcode", "Name"}));  // at the end, not in field order
    EXPECT_EQ(m.box(Ref), "Ref");

    // A drag from the list dropped back on it.
    m.pointerOverList();
    m.dropOnList();
    EXPECT_EQ(m.list(), (List{"Street", "Town", "Postcode", "Name"}));
}

TEST_F(Assignment, EqualCaptions) {
    start({"Name", "Name", "Town"});
    ASSERT_TRUE(fromList("Name", Name1));
    ASSERT_TRUE(fromList("Name", Name2));
    EXPECT_EQ(m.number(Name1), 1);
    EXPECT_EQ(m.number(Name2), 1);  // the first of the two always
    EXPECT_EQ(m.list(), (List{"Town"}));

    // Onto a box that does not show it: every box that did is emptied.
    ASSERT_TRUE(fromBox(Name1, Name3));
    EXPECT_EQ(m.box(Name1), "");
    EXPECT_EQ(m.box(Name2), "");
    EXPECT_EQ(m.box(Name3), "Name");
    EXPECT_EQ(m.number(Name2), 0);

    // Onto the list: every box that showed it is emptied, the list takes it once.
    start({"Name", "Name", "Town"});
    ASSERT_TRUE(fromList("Name", Name1));
    ASSERT_TRUE(fromList("Name", Name2));
    boxToList(Name2);
    EXPECT_EQ(m.box(Name1), "");
    EXPECT_EQ(m.box(Name2), "");
    EXPECT_EQ(m.list(), (List{"Town", "Name"}));
}

TEST_F(Assignment, EmptyMarker) {
    ASSERT_TRUE(fromList("Town", Town));
    m.pointerOverBackground();
    ASSERT_TRUE(m.dropOnBox(Town, -1));
    EXPECT_EQ(m.box(Town), "");
    EXPECT_EQ(m.number(Town), 0);
    EXPECT_EQ(m.list(), (List{"Name", "Street", "Postcode", "Ref", "Town"}));

    m.pointerOverBackground();
    ASSERT_TRUE(m.dropOnBox(County, -1));
    EXPECT_EQ(m.box(County), "");
    EXPECT_EQ(m.number(County), 0);
}

TEST_F(Assignment, MarkerFollowsThePointer) {
    ASSERT_TRUE(fromList("Ref", Ref));
    m.pointerOverBox(Ref);
    EXPECT_EQ(m.marker(), "Ref");
    m.pointerOverBox(Town);
    EXPECT_EQ(m.marker(), "");
    m.pointerOverList();
    EXPECT_EQ(m.marker(), AssignmentModel::ListMarker);
    m.pointerOverBackground();
    EXPECT_EQ(m.marker(), "");
}

}  // namespace
