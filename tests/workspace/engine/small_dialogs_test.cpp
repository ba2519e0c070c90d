#include "workspace/engine/program_settings.h"
#include "workspace/engine/small_dialogs.h"

#include <gtest/gtest.h>

TEST(PropertiesRules, DelaysShownInSecondsHeldInTicks)
{
    EXPECT_EQ(mrw::delaySecondsToTicks(2), 36);
    EXPECT_EQ(mrw::delayTicksToSeconds(36), 2);
    EXPECT_EQ(mrw::delaySecondsToTicks(-3), 3);
    EXPECT_EQ(mrw::delayTicksToSeconds(3), 0);
}

TEST(PropertiesRules, Enabling)
{
    auto e = mrw::propertiesEnabling({true, false, false, true});
    EXPECT_TRUE(e.syntaxColors);
    EXPECT_EQ(e.syntaxGroupCaption, "Syntax Highlight Colors");
    EXPECT_FALSE(e.wrapToWindow);
    EXPECT_FALSE(e.wrapToColumn);
    EXPECT_FALSE(e.wrapColumn);
    EXPECT_TRUE(e.colourPrint);

    e = mrw::propertiesEnabling({false, true, false, false});
    EXPECT_FALSE(e.syntaxColors);
    EXPECT_EQ(e.syntaxGroupCaption, "Disabled");
    EXPECT_TRUE(e.wrapToWindow);
    EXPECT_TRUE(e.wrapToColumn);
    EXPECT_TRUE(e.wrapColumn);
    EXPECT_FALSE(e.colourPrint);

    e = mrw::propertiesEnabling({true, true, true, true});
    EXPECT_FALSE(e.wrapColumn);
    EXPECT_EQ(mrw::atLeastOne(0), 1);
    EXPECT_EQ(mrw::atLeastOne(-4), 1);
    EXPECT_EQ(mrw::atLeastOne(8), 8);
}

TEST(PropertiesRules, ColourTableUsesWindowsValues)
{
    EXPECT_EQ(mrw::StandardColors.size(), 16u);
    EXPECT_EQ(mrw::standardColorIndex(0), 0);
    EXPECT_EQ(mrw::StandardColors[static_cast<std::size_t>(mrw::standardColorIndex(255))].name, "Red");
    EXPECT_EQ(mrw::StandardColors[static_cast<std::size_t>(mrw::standardColorIndex(16711680))].name, "Blue");
    EXPECT_EQ(mrw::StandardColors[static_cast<std::size_t>(mrw::standardColorIndex(16777215))].name, "White");
    EXPECT_EQ(mrw::standardColorIndex(0x123456), -1);
    EXPECT_EQ(mrw::versionText(), "5.160");
}

TEST(CharacterPicker, CodesOfCellsAndControlCharacters)
{
    EXPECT_EQ(mrw::cellCharCode(0, 0), 32);
    EXPECT_EQ(mrw::cellCharCode(0, 31), 63);
    EXPECT_EQ(mrw::cellCharCode(6, 31), 255);
    EXPECT_EQ(mrw::controlCharItem(0), "(none)");
    EXPECT_EQ(mrw::controlCharItem(1), "Ctrl - A");
    EXPECT_EQ(mrw::controlCharItem(26), "Ctrl - Z");
    EXPECT_EQ(mrw::controlCharItem(27), "<Escape>");
    EXPECT_EQ(mrw::controlCharCode(0), 0);
    EXPECT_EQ(mrw::controlCharCode(27), 27);
    EXPECT_EQ(mrw::pickedText(0), "");
    EXPECT_EQ(mrw::pickedText(27), "\x1B");
    EXPECT_EQ(mrw::pickedText(255), "\xFF");
}

TEST(FileInformation, TapeLengthInFeetAndMetres)
{
    const auto info = mrw::ncFileInfo("/nc/PART.TAP", 40, 1200, true);
    EXPECT_EQ(info.fileName, "PART.TAP");
    EXPECT_EQ(info.lines, "40");
    EXPECT_EQ(info.characters, "1200");
    EXPECT_EQ(info.feet, " 10.0");
    EXPECT_EQ(info.meters, "  3.0");
    EXPECT_EQ(info.modified, "Yes");
    const auto big = mrw::ncFileInfo("B.TAP", 1, 2400000, false);
    EXPECT_EQ(big.feet, "20000.0");
    EXPECT_EQ(big.meters, "6000.0");
    EXPECT_EQ(big.modified, "No");
    EXPECT_EQ(mrw::ncFileInfo("C", 1, 125, false).feet, "  1.0");
}

TEST(ProgressMeter, RoundsHalfToEven)
{
    EXPECT_EQ(mrw::meterPercent(0, 10), 0);
    EXPECT_EQ(mrw::meterPercent(1, 8), 12);   // 12.5
    EXPECT_EQ(mrw::meterPercent(3, 8), 38);   // 37.5
    EXPECT_EQ(mrw::meterPercent(1, 3), 33);
    EXPECT_EQ(mrw::meterPercent(10, 10), 100);
    EXPECT_EQ(mrw::meterPercent(5, 0), 0);
}
