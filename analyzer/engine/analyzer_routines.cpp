#include "analyzer/engine/analyzer_routines.h"

#include "math/engine/expression.h"
#include "math/engine/mathlib.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vork {

std::string MinutesToHMS(double minutes)
{
    // Whole seconds from the minutes with a little room, so that 2.3 minutes stay 138 s.
    // A time past what the text can show (a run of centuries) is shown as that most.
    constexpr double MostShown = 999999.0 * 3600.0 + 3599.0;
    const double seconds = std::min(MostShown, std::floor(std::max(0.0, minutes) * 60.0 + 1e-6));
    const auto total = static_cast<long long>(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%2.2lld:%2.2lld:%2.2lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

std::string ExeRelativePath(const std::string& name, const std::string& programFolder)
{
    if (!platform::isBareName(name))
        return name;
    return programFolder + name;
}

bool InputString(platform::Prompter& prompter, const std::string& prompt, std::string& text)
{
    return prompter.inputString("Input", prompt, text);
}

namespace {
std::string inputNumberErrorText(int code)
{
    return code >= 2 && code <= 9 ? EvalErrorText(code) : std::string("Illegal character");
}
}

bool InputNumber(platform::Prompter& prompter, const std::string& prompt, double defaultValue, double& value)
{
    std::string answer = platform::formatFixed(defaultValue, 4);
    for (;;) {
        if (!InputString(prompter, prompt, answer))
            return false;
        std::string text = answer.empty() ? "0.0" : answer;
        UpperCaseInPlace(text);
        const ExpressionResult r = EvaluateExpression(text);
        if (r.ok()) {
            value = r.value;
            return true;
        }
        answer = MarkErrorPosition(text, r.position, " >>");
        prompter.message("Warning", "Error in Expression      \n\n" + inputNumberErrorText(r.code) + "\n\n" + answer,
                         platform::MessageKind::Warning, platform::Buttons::Ok);
    }
}

bool PrompterNumbers::InputNumber(const std::string& prompt, double defaultValue, double& value)
{
    return m_prompter && vork::InputNumber(*m_prompter, prompt, defaultValue, value);
}

std::string NewFileName(const std::string& answer, const std::string& tapeDir, const std::string& defaultExtension)
{
    std::string name = tapeDir;
    if (!tapeDir.empty() && !platform::isSeparator(tapeDir.back()))
        name += '\\';
    name += answer;
    // Only the typed name can carry an extension: a folder such as "." has none to give.
    if (platform::fileNamePart(answer).find('.') == std::string::npos)
        name += "." + defaultExtension;
    return name;
}

std::string OperationFileFor(const std::string& ncFileName, const std::string& drawDir)
{
    std::string folder = drawDir;
    if (!folder.empty() && !platform::isSeparator(folder.back()))
        folder += '\\';
    return platform::changeFileExtension(folder + platform::fileNamePart(ncFileName), ".opf");
}

SliderSpeed SpeedForSliderPosition(int position)
{
    return {SliderPositions - position, std::to_string(position * 10) + "%"};
}

bool IsHandOffStart(const std::vector<std::string>& arguments)
{
    return !arguments.empty() && arguments.front() == HandOffToken;
}

std::string MachineLabelFor(const std::string& fileName)
{
    return platform::fileNamePart(fileName);
}

} // namespace vork
