#pragma once
// NC errors of the run: the message of each error number, and the report that shows the
// block in the error dialog, where the user aborts the segment, edits the block and runs
// it again, or lets the block go on.
#include "analyzer/engine/run_services.h"

#include <string>

namespace vork {

struct TRunState;
struct AnalyzerSettings;

// A drilling cycle asked for more repeats than a control makes; the block goes on with
// as many as it makes, and no edit can run it again.
constexpr int NCErrorRepeatsCapped = 13;

// The message of NC error n from the run state; empty for an unknown number.
std::string NCErrorMessage(int n, const TRunState& state);

enum class ErrorAnswer { Abort, Retry, Ignore, Closed };

// The dialog that shows an NC error: the message and the block, which the user may edit.
class ErrorDialogView {
public:
    virtual ~ErrorDialogView() = default;
    virtual ErrorAnswer ShowError(const std::string& message, std::string& block) = 0;
};

class DialogErrorReporter : public ErrorReporter {
public:
    DialogErrorReporter(TRunState& state, AnalyzerSettings& settings);
    // Without a dialog every error leaves Retry off and the block goes on.
    void setDialog(ErrorDialogView* dialog) { m_dialog = dialog; }
    ErrorDialogView* dialog() const { return m_dialog; }
    void ReportNCError(int n) override;

private:
    TRunState& m_state;
    AnalyzerSettings& m_settings;
    ErrorDialogView* m_dialog = nullptr;
};

} // namespace vork
