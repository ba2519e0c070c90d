#pragma once
// What the DNC side asks of the editor windows: the active file's name and its text
// written to the send-source scratch file. The main window implements it.
#include <string>

namespace mrw {

// Which part of the active editor's text a send takes.
namespace sendtext {
inline constexpr int WholeFile = 1;
inline constexpr int SelectedLines = 2; // the lines of the selection, whole
inline constexpr int FromCaretLine = 5; // the caret line to the last line
}

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // The active editor's file name (its caption), or "NONE" when none is active.
    virtual std::string activeFileName() const = 0;

    // Writes the active editor's text (by mode, see sendtext) to sendSourceFile(), one
    // line per line with CR LF; fileName receives the active file's name. False when no
    // editor is active, when SelectedLines finds no selection, or when writing fails.
    virtual bool writeActiveTextToSendFile(int mode, std::string& fileName) = 0;

    // The two scratch files: the send image and the text to send.
    virtual std::string sendBufferFile() const = 0;
    virtual std::string sendSourceFile() const = 0;
};

// The editor windows of the run (none until the main window exists).
EditorHost* editorHost();
void setEditorHost(EditorHost* host);

} // namespace mrw
