#pragma once
// Utilities > B-Macro Interpeter: expands the active program into its ".OUT" file and,
// when asked, hands a complete result to the analyzer.
class TMainForm;

void RunBMacroInterpreter(TMainForm& form);
