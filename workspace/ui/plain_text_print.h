#pragma once
// Plain text to a printer: 8-bit lines (shown as Latin-1) streamed in one font, one
// line under the other, a new page when the next line would not fit.
#include <QString>

#include <string>
#include <vector>

class QFont;
class QPrinter;

// Prints `lines` on `printer` in `font`. A form feed in a line ends the page there (the
// rest of the line starts the next page). False with a message in *error (when given)
// when the job cannot start.
bool printPlainTextLines(QPrinter& printer, const std::vector<std::string>& lines, const QFont& font, QString* error);
