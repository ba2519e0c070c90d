#pragma once
// The machine-setup editor's questions as a resumable flow: the parameters of a machine
// are asked one at a time in nine question groups, each question depending on the
// machine type and on earlier answers. The window feeds it with answers and navigation
// and shows what it writes; printing runs the same questions without waiting.
//
// Every question number of a group is a coroutine that yields at each parameter it asks
// and resumes once an answer was taken or the user moved on. Ending a question (another
// group, Open, Save, Print, Exit) destroys the suspended coroutine: nothing is stored and
// no event loop is nested.
#include "analyzer/engine/machine_setup.h"
#include "platform/host.h"

#include <coroutine>
#include <functional>
#include <utility>
#include <string>
#include <vector>

namespace vork {

// The parameter a question asks.
struct SetupAsk {
    char type = 'I';     // 'I', 'R' or 'S'
    int index = 0;
    std::string prompt;  // the question text (may hold several lines)
};

class SetupQuestionTask {
public:
    struct promise_type {
        SetupAsk current;
        SetupQuestionTask get_return_object()
        {
            return SetupQuestionTask(std::coroutine_handle<promise_type>::from_promise(*this));
        }
        std::suspend_always initial_suspend() noexcept { return {}; }
        std::suspend_always final_suspend() noexcept { return {}; }
        std::suspend_always yield_value(SetupAsk ask)
        {
            current = std::move(ask);
            return {};
        }
        void return_void() {}
        void unhandled_exception() { throw; }
    };

    SetupQuestionTask() = default;
    explicit SetupQuestionTask(std::coroutine_handle<promise_type> h) : m_handle(h) {}
    SetupQuestionTask(SetupQuestionTask&& other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    SetupQuestionTask& operator=(SetupQuestionTask&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    ~SetupQuestionTask() { reset(); }

    explicit operator bool() const { return static_cast<bool>(m_handle); }
    // Runs to the next parameter asked; false when the question number is done.
    bool resume()
    {
        m_handle.resume();
        return !m_handle.done();
    }
    const SetupAsk& current() const { return m_handle.promise().current; }
    void reset()
    {
        if (m_handle)
            m_handle.destroy();
        m_handle = {};
    }

private:
    std::coroutine_handle<promise_type> m_handle;
};

class SetupQuestionnaire {
public:
    static constexpr int GroupCount = 9;
    static constexpr const char* NotRequiredText = "This type of information is not required for this machine !!";

    // prompter: error boxes (expressions, files). The memo and the printout go through
    // the callbacks below.
    explicit SetupQuestionnaire(platform::Prompter& prompter);

    // The window's side.
    std::function<void(const std::string&)> onMemoLine; // a line added to the memo
    std::function<void()> onMemoClear;
    std::function<void(const std::string&)> onMemoReplaceLast; // the answered question's line
    std::function<void()> onAsk;                        // a question waits (entryText())
    std::function<void()> onCaption;                    // Mfilename changed

    MachineSetupWorkingCopy copy;
    std::string Mfilename = "Untitled";
    bool Numbering = false;
    bool Autohelp = false;
    bool Dirty = false; // a value changed since the file was opened or saved
    bool Printing = false;
    bool finished = false;
    int GrpPtr = 0;
    int MaxQuest = 0;
    int QuestPtr = 0;
    int Helpnum = -1;
    bool Ptrchg = false;

    // The default machine, "Untitled"; ends a running question.
    void SetDefaults();
    std::string caption() const;
    static int maxQuestion(int group);
    // The help topic of a parameter's question: 100 + index for I, 300 + for R, 500 + for S.
    static int helpTopic(char type, int index) { return (type == 'I' ? 100 : type == 'R' ? 300 : 500) + index; }

    // Ends the running question (nothing stored) and starts `group` at question 0.
    void startGroup(int group);
    void KillMainLoop();
    bool waiting() const { return m_waiting; }
    // The question number ran through the group without asking anything.
    bool idle() const { return m_idle; }
    const SetupAsk& asking() const { return m_ask; }
    // The value shown in the entry field for the question that waits.
    const std::string& entryText() const { return m_entry; }

    // Enter in the entry field: numeric answers other than "@" and "NONE" are evaluated
    // as expressions first (errors shown, value kept), then the answer is taken.
    void enter(const std::string& text);
    // Takes an answer as it stands (no expression evaluation).
    void answer(const std::string& text);
    void none() { answer("@"); }
    void next();
    void previous();
    void top();
    void bottom();

    // Open: false (reported, nothing changed) when the file cannot be read.
    bool open(const std::string& fileName);
    // Writes under `fileName` (Save As) or under Mfilename (Save); false (reported,
    // still dirty) when it could not be written. The question loop is restarted unless
    // the window was closed with Exit.
    bool saveAs(const std::string& fileName);
    bool save() { return saveAs(Mfilename); }
    bool needsName() const { return Mfilename == "Untitled"; }

    // The printout of every group with the current values; ends the running question
    // and restarts the loop of the shown group afterwards.
    std::vector<std::string> print();

    // The text shown for a parameter ("NONE" when not set).
    std::string shownValue(char type, int index) const;
    static std::string memoLine(const std::string& prompt, const std::string& value);
    static std::string printLine(const std::string& prompt, const std::string& value);

private:
    SetupQuestionTask question(int group, int number);
    void run();
    void present(const SetupAsk& ask);
    void navigate(int newQuestPtr);
    void resumeWithout();
    void write(const std::string& line);
    void writeLines(const std::vector<std::string>& lines);
    // What the ask macros use.
    SetupAsk request(char type, int index);
    void beforeQuestion(char type, int index);
    void afterQuestion(char type, int index);
    bool askAgain(char type, int index);
    bool isType(unsigned bits) const;
    int machineType() const { return copy.mach_int[1]; }
    std::int16_t& I(int n) { return copy.mach_int[static_cast<std::size_t>(n)]; }
    std::string& S(int n) { return copy.Mach_Str[static_cast<std::size_t>(n)]; }

    platform::Prompter& m_prompter;
    SetupQuestionTask m_task;
    SetupAsk m_ask;
    std::string m_entry;
    std::string m_memoPrompt; // the last line of the waiting question's prompt
    bool m_waiting = false;
    bool m_idle = false;
    bool m_askedThisNumber = false;
    bool m_inRun = false;
    std::vector<std::string>* m_printout = nullptr;
};

} // namespace vork
