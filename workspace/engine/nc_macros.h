#pragma once
// NC-code macros: named multi-line NC texts kept per machine in the machine database,
// the editing session of the macro dialog, and the expansion that asks for the value
// of every "#" when a macro is inserted.
//
// Keys in the machine's section: M<n>N is the name in slot n (1 to 100; a missing key
// reads "NOMORE", a free slot, so no macro may have that name), M<n>L<k> line k of that
// macro from 1 without gaps; the first missing line key ends the macro.
#include "platform/host.h"
#include "platform/ini.h"

#include <optional>
#include <string>
#include <vector>

namespace mrw {

inline constexpr int MacroSlots = 100;
inline constexpr const char* NoMoreMark = "NOMORE";
// Limits of an insertion: one answer, and the whole expanded text with its line ends.
inline constexpr std::size_t MacroAnswerLimit = 79;
inline constexpr std::size_t MacroTextLimit = 8191;

// The macros of one machine. Every call reads the file afresh; writes go key by key,
// so the machine's other keys stay as they are. Writes throw platform::IniWriteError.
class NcMacroStore {
public:
    NcMacroStore(const std::string& databasePath, const std::string& machineName);

    // The names of the used slots in slot order.
    std::vector<std::string> names() const;
    // The slot holding `name` (exact comparison), 0 when none.
    int slotOf(const std::string& name) const;
    std::vector<std::string> lines(const std::string& name) const;

    // Removes the macro's name and every line key of its slot.
    void erase(const std::string& name);
    // Writes the macro into the lowest free slot (its own counts as free); false when
    // all slots hold other macros, and then nothing is written.
    bool save(const std::string& name, const std::vector<std::string>& lines);

    const std::string& path() const { return m_ini.path(); }

private:
    // Removes the name key and every line key of the slot.
    void eraseSlot(int slot);

    platform::IniFile m_ini;
    std::string m_section;
};

// The text of a macro for insertion: each line followed by CR LF; "##" gives "#" and
// every other "#" the answer to "Enter Setting for Register -<previous piece>-"
// ("0" when cancelled). An answer over 79 characters is refused and asked again; a
// text over 8,191 characters is refused and gives nothing.
std::optional<std::string> expandMacro(const std::vector<std::string>& lines, platform::Prompter& prompter);

// The memo's text as macro lines (a final line end adds no empty line) and back.
std::vector<std::string> macroLinesOf(const std::string& text);
std::string macroTextOf(const std::vector<std::string>& lines);

// The macro dialog's state between showing and closing: the list of names, the macro
// whose lines the memo shows (by name), and whether the memo was changed since.
class MacroSession {
public:
    // machineName empty: no current machine, the list stays empty and nothing is written.
    MacroSession(const std::string& databasePath, const std::string& machineName, platform::Prompter& prompter);

    bool hasMachine() const { return m_hasMachine; }
    const std::vector<std::string>& names() const { return m_names; }
    int selected() const { return m_selected; } // -1 when none
    const std::string& current() const { return m_current; }
    bool modified() const { return m_modified; }
    void setModified(bool on) { m_modified = on; }

    // A click on item `index`: a changed memo is saved as the current macro first.
    // Gives the lines of the clicked macro, or nothing when the save failed (the
    // selection and the memo stay).
    std::optional<std::vector<std::string>> select(int index, const std::vector<std::string>& memo);
    // "A&dd": a changed memo is saved first, then a new name is asked for and appended
    // and selected; the memo starts empty. False when nothing was added.
    bool add(const std::vector<std::string>& memo);
    // "&Edit Name": the selected macro under a new name with the memo's lines.
    bool editName(const std::vector<std::string>& memo);
    // "&Delete" after a question; true when the macro was removed (the memo empties).
    bool remove();
    // "&Save": the memo's lines as the current macro; false after a message.
    bool save(const std::vector<std::string>& memo);

    // OK: Cancel without a selection; otherwise a changed memo is saved, and the
    // expanded text is inserted. StayOpen after a message.
    struct Outcome {
        enum Action { Cancel, StayOpen, Insert } action = Cancel;
        std::string text;
    };
    Outcome finish(const std::vector<std::string>& memo);

private:
    bool saveAs(const std::string& name, const std::vector<std::string>& memo);
    // Erases the stored macro; false after the write error was shown.
    bool eraseStored(const std::string& name);
    // A usable new name, or nothing after a message.
    std::optional<std::string> checkedName(std::string name, int ignoreIndex);
    void showError(const std::string& text);

    NcMacroStore m_store;
    platform::Prompter& m_prompter;
    bool m_hasMachine;
    std::vector<std::string> m_names;
    int m_selected = -1;
    std::string m_current;
    bool m_modified = false;
};

} // namespace mrw
