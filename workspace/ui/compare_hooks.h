#pragma once
// What the compare window and its summary window ask of the outside: file dialogs, the
// printer, the plain-text printing, the clocks and the message boxes. The program gives
// the real ones (StandardCompareHooks); tests give scripted ones.
#include "platform/host.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

class QPrinter;
class QWidget;

// Prints 8-bit text lines on a printer in a font, one page after another ("\f" ends a
// page); false with a reason when it could not.
using PlainTextLinePrinter =
    std::function<bool(QPrinter& printer, const std::vector<std::string>& lines, const QFont& font, QString* error)>;

struct CompareWindowHooks {
    // An open dialog: title, start folder, filter; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& title, const QString& folder, const QString& filter)> openFile;
    // A save dialog: title, proposed file, filter; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& title, const QString& proposed, const QString& filter)>
        saveFile;
    // Lets the operator choose a printer or a PDF file; false when cancelled.
    std::function<bool(QPrinter& printer, QWidget* parent)> choosePrinter;
    PlainTextLinePrinter printLines;
    // Milliseconds, for the progress and the Cancel time.
    std::function<std::int64_t()> clock;
    // The date and time written on saved and printed lists.
    std::function<std::time_t()> now;
    platform::Prompter* prompter = nullptr;
    // The options file: a bare name lies in the Windows directory.
    std::string optionsFile;
    QFont printFont;
};

// The dialogs of the desktop, the system clocks and the given prompter.
CompareWindowHooks StandardCompareHooks(platform::Prompter& prompter);
