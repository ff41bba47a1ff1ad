#include <gtest/gtest.h>

#include "ui/logic/HyperLinkLogic.h"

using namespace ui;

// Hover wins over visited, visited over the link colour; the underline follows the mode.
TEST(HyperLinkLogic, ColourAndUnderline) {
    const LinkColors colors;
    EXPECT_EQ(std::tuple(colors.link, colors.visited, colors.hover),
              std::tuple(rgb(0, 0, 238), rgb(85, 26, 139), rgb(255, 0, 0)));
    HyperLinkState link;
    EXPECT_EQ(std::tuple(link.textColor(), link.underlined()), std::tuple(colors.link, false));
    EXPECT_TRUE(link.mouseMoved());
    EXPECT_FALSE(link.mouseMoved());  // already hovering: no second start
    EXPECT_EQ(std::tuple(link.textColor(), link.underlined()), std::tuple(colors.hover, true));
    link.clicked();
    EXPECT_FALSE(link.opened(42));
    EXPECT_EQ(link.textColor(), colors.visited);
    link.mouseMoved();
    EXPECT_EQ(link.textColor(), colors.hover);
    link.mouseLeft();
    EXPECT_EQ(std::tuple(link.textColor(), link.underlined()), std::tuple(colors.visited, false));

    EXPECT_FALSE(link.setUnderlineMode(UnderlineMode::WhileHovering));
    EXPECT_TRUE(link.setUnderlineMode(UnderlineMode::Always));
    EXPECT_TRUE(link.underlined());
    link.setUnderlineMode(UnderlineMode::Never);
    link.mouseMoved();
    EXPECT_FALSE(link.underlined());
}

// Only a result above 32 marks the link visited, and then for good; failures word the reason.
TEST(HyperLinkLogic, OpenResults) {
    HyperLinkState link;
    EXPECT_EQ(link.opened(2), "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_FALSE(link.visited());
    EXPECT_EQ(link.opened(32),
              "Unable to open hyperlink:\n\nThe specified dynamic-link library was not found.");
    EXPECT_FALSE(link.opened(33));
    EXPECT_TRUE(link.visited());
    EXPECT_TRUE(link.opened(0));
    EXPECT_TRUE(link.visited());

    // A code without a text of its own still names itself, whatever its sign.
    for (const intptr_t result : {1, -7, 25})
        EXPECT_EQ(openFailureText(result),
                  "Unable to open hyperlink:\n\nUnknown Error (" + std::to_string(result) + ") occurred.");
}

// The window keeps its left edge, right edge or centre by its alignment, and its top or vertical centre.
TEST(HyperLinkLogic, FitKeepsTheAnchoredEdge) {
    const Rect old{10, 20, 110, 40};
    const Size size{40, 10};
    EXPECT_EQ(fitToSize(old, size, HorizontalAnchor::Left, false), (Rect{10, 20, 50, 30}));
    EXPECT_EQ(fitToSize(old, size, HorizontalAnchor::Right, false), (Rect{70, 20, 110, 30}));
    EXPECT_EQ(fitToSize(old, size, HorizontalAnchor::Centre, true), (Rect{40, 25, 80, 35}));
    EXPECT_EQ(fitToSize(old, {140, 10}, HorizontalAnchor::Centre, false), (Rect{-10, 20, 130, 30}));
}
