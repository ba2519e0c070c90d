#pragma once
// What sending asks of the editor windows: the name of the active editor's file, and
// its text written into the text-to-be-sent scratch file. The main window provides it.
#include <string>

namespace dnc {

class SendEditorHost {
public:
    virtual ~SendEditorHost() = default;

    // The caption of the active editor, or "NONE" when no editor is open.
    virtual std::string GetActiveFileName() = 0;

    // Writes the active editor's whole text (send mode 1), its selected lines (2) or its
    // text from the caret line to the end (5) into the text-to-be-sent scratch file with
    // CR LF line ends, and gives the editor's file name. False when no editor is open,
    // when mode 2 finds nothing selected, or when the file cannot be written.
    virtual bool WriteActiveTextToSendFile(int sendMode, std::string& editorFileName) = 0;
};

} // namespace dnc
