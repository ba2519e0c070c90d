#include "workspace/engine/small_dialogs.h"

#include "platform/numbers.h"
#include "platform/paths.h"

namespace mrw {

int standardColorIndex(std::uint32_t value)
{
    for (std::size_t i = 0; i < StandardColors.size(); ++i)
        if (StandardColors[i].value == value)
            return static_cast<int>(i);
    return -1;
}

PropertiesEnabling propertiesEnabling(const PropertiesChecks& checks)
{
    PropertiesEnabling e;
    e.syntaxColors = checks.syntax;
    e.syntaxGroupCaption = checks.syntax ? "Syntax Highlight Colors" : "Disabled";
    e.wrapToWindow = checks.wordWrap;
    e.wrapToColumn = checks.wordWrap;
    e.wrapColumn = checks.wordWrap && !checks.wrapToWindow;
    e.colourPrint = checks.prettyPrint;
    return e;
}

int atLeastOne(int value)
{
    return value < 1 ? 1 : value;
}

std::string versionText()
{
    return platform::formatFixed(ProgramVersion, 3);
}

int cellCharCode(int row, int column)
{
    return row * PickerColumns + column + 32;
}

std::string controlCharItem(int index)
{
    if (index <= 0)
        return "(none)";
    if (index <= 26)
        return std::string("Ctrl - ") + static_cast<char>('A' + index - 1);
    return "<Escape>";
}

int controlCharCode(int index)
{
    return index < 0 ? 0 : (index > 27 ? 27 : index);
}

std::string pickedText(int code)
{
    if (code <= 0 || code > 255)
        return {};
    return std::string(1, static_cast<char>(code));
}

NcFileInfo ncFileInfo(const std::string& path, long long lineCount, long long byteCount, bool modified)
{
    const double feet = static_cast<double>(byteCount) / 120.0;
    return {platform::fileNamePart(path),
            std::to_string(lineCount),
            std::to_string(byteCount),
            platform::strFixed(feet, 5, 1),
            platform::strFixed(feet * 0.3, 5, 1),
            modified ? "Yes" : "No"};
}

int meterPercent(long long line, long long count)
{
    if (count <= 0)
        return 0;
    return static_cast<int>(platform::roundHalfEven(static_cast<double>(line) / static_cast<double>(count) * 100.0));
}

} // namespace mrw
