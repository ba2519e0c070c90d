#pragma once
// Small routines of the analyzer's main window that other parts of the analyzer use:
// times as hours, minutes and seconds, names relative to the program folder, the run
// prompts, and the rules behind New, Open, the speed slider and the hand-off start.
#include "analyzer/engine/run_services.h"

#include <string>
#include <vector>

namespace platform {
class Prompter;
}

namespace vork {

// Minutes as "hh:mm:ss" (hours take as many digits as they need): 125.5 gives "02:05:30".
std::string MinutesToHMS(double minutes);

// A name without a folder lies in the program folder (given with its trailing separator);
// a name with one comes back unchanged.
std::string ExeRelativePath(const std::string& name, const std::string& programFolder);

// The input box "Input" with the prompt and the text as its value; false on Cancel.
bool InputString(platform::Prompter& prompter, const std::string& prompt, std::string& text);

// Asks, first with the default written with 4 decimals, until the answer evaluates as an
// expression (an empty answer counts as 0) or the user cancels; an error is shown with the
// answer marked where it went wrong, and the marked answer is offered again.
bool InputNumber(platform::Prompter& prompter, const std::string& prompt, double defaultValue, double& value);

// The run's numeric prompts through whichever prompter the run has.
class PrompterNumbers : public NumberPrompt {
public:
    explicit PrompterNumbers(platform::Prompter*& prompter) : m_prompter(prompter) {}
    bool InputNumber(const std::string& prompt, double defaultValue, double& value) override;

private:
    platform::Prompter*& m_prompter;
};

// The file New opens for the typed answer: in TAPEDIR (one separator between them), with
// the default extension when the typed name has none.
std::string NewFileName(const std::string& answer, const std::string& tapeDir, const std::string& defaultExtension);

// The operation file that goes with an NC program: its name in the operation folder with
// the extension ".opf".
std::string OperationFileFor(const std::string& ncFileName, const std::string& drawDir);

// The run-speed slider (positions 1 to 10): the delay between blocks in tenths of a
// second and the label beside the slider.
struct SliderSpeed {
    int speed = 0;
    std::string label;
};
SliderSpeed SpeedForSliderPosition(int position);
inline constexpr int SliderPositions = 10;

// The program was started by MRW2013 to reload the job it handed over: the first argument
// (after the program's name) is exactly "MRW2013".
inline constexpr const char* HandOffToken = "MRW2013";
bool IsHandOffStart(const std::vector<std::string>& arguments);

// The file name without its folder, as the machine label shows it.
std::string MachineLabelFor(const std::string& fileName);
inline constexpr const char* NoMachineLoaded = "No Machine Loaded";

} // namespace vork
