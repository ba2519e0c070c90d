#include "analyzer/engine/setup_questionnaire.h"

#include "math/engine/expression.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <regex>

namespace vork {

namespace {

constexpr int MaxQuestions[SetupQuestionnaire::GroupCount] = {18, 28, 30, 7, 23, 14, 3, 7, 5};

constexpr int MemoBracketColumn = 59;  // 1-based column of "[" in the memo
constexpr int PrintBracketColumn = 58; // and in the printout

std::string padTo(const std::string& text, int column, bool atLeastOneBlank)
{
    std::string out = text;
    const auto before = static_cast<std::size_t>(column - 1);
    if (out.size() < before)
        out.append(before - out.size(), ' ');
    else if (atLeastOneBlank)
        out += ' ';
    return out;
}

// The last line of a question text takes the value; earlier lines stand alone.
std::pair<std::vector<std::string>, std::string> splitPrompt(const std::string& prompt)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t nl; (nl = prompt.find('\n', from)) != std::string::npos; from = nl + 1)
        lines.push_back(prompt.substr(from, nl - from));
    return {lines, prompt.substr(from)};
}

// The editor's range rules, read from the dictionary's notes.
struct NoteRules {
    bool until = false;
    int untilLow = 0;
    int untilHigh = 0;
    bool untilHighIsI79 = false;
    bool notSetBefore = false;
    bool notSetAfter = false;
    std::string notSetValue;
    bool outsideBefore = false;
    bool outsideAfter = false;
    int outsideLow = 0;
    int outsideHigh = 0;
    double outsideValue = 0;
};

NoteRules readNotes(const char* notesText)
{
    NoteRules r;
    const std::string notes = notesText ? notesText : "";
    std::smatch m;
    static const std::regex until(R"(asked until (-?\d+)\.\.(I79|-?\d+))");
    if (std::regex_search(notes, m, until)) {
        r.until = true;
        r.untilLow = std::stoi(m[1]);
        r.untilHighIsI79 = m[2] == "I79";
        if (!r.untilHighIsI79)
            r.untilHigh = std::stoi(m[2]);
    }
    static const std::regex notSet(R"re(a not-set value becomes "?([^" ]+)"?[^;]*?before( and after)?)re");
    if (std::regex_search(notes, m, notSet)) {
        r.notSetBefore = true;
        r.notSetAfter = m[2].matched;
        r.notSetValue = m[1];
    }
    static const std::regex outside(R"(a value outside (-?\d+)\.\.(-?\d+) becomes (-?\d+) before( and after)?)");
    if (std::regex_search(notes, m, outside)) {
        r.outsideBefore = true;
        r.outsideAfter = m[4].matched;
        r.outsideLow = std::stoi(m[1]);
        r.outsideHigh = std::stoi(m[2]);
        r.outsideValue = std::stoi(m[3]);
    }
    return r;
}

const NoteRules& rulesOf(char type, int index)
{
    static const std::vector<NoteRules> all = [] {
        std::vector<NoteRules> v;
        for (const SetupParameterInfo& p : SetupParameters())
            v.push_back(readNotes(p.notes));
        return v;
    }();
    const int offset = type == 'I' ? 0 : type == 'R' ? IntCount : IntCount + RealCount;
    return all[static_cast<std::size_t>(offset + index - 1)];
}

bool notSetInt(int v) { return v == NotSetInt; }

} // namespace

SetupQuestionnaire::SetupQuestionnaire(platform::Prompter& prompter) : m_prompter(prompter) { SetDefaults(); }

void SetupQuestionnaire::SetDefaults()
{
    KillMainLoop();
    Numbering = false;
    Autohelp = false;
    Printing = false;
    Mfilename = "Untitled";
    copy.SetDefaults();
    Dirty = false;
    if (onCaption)
        onCaption();
}

std::string SetupQuestionnaire::caption() const
{
    return "Machine Setup -- " + (Mfilename == "Untitled" ? Mfilename : platform::fileNamePart(Mfilename));
}

int SetupQuestionnaire::maxQuestion(int group) { return MaxQuestions[group]; }

bool SetupQuestionnaire::isType(unsigned bits) const { return (machineTypeBit(machineType()) & bits) != 0; }

// ---- Output ----

void SetupQuestionnaire::write(const std::string& line)
{
    if (m_printout)
        m_printout->push_back(line);
    else if (onMemoLine)
        onMemoLine(line);
}

void SetupQuestionnaire::writeLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        write(line);
}

std::string SetupQuestionnaire::shownValue(char type, int index) const
{
    const auto i = static_cast<std::size_t>(index);
    if (type == 'I')
        return copy.mach_int[i] == NotSetInt ? "NONE" : std::to_string(copy.mach_int[i]);
    if (type == 'R')
        return copy.Mach_real[i] <= NotSetReal ? "NONE" : platform::formatFixed(copy.Mach_real[i], 4);
    const std::string& s = copy.Mach_Str[i];
    return s == "NONE" || s == "@" ? "NONE" : s;
}

std::string SetupQuestionnaire::memoLine(const std::string& prompt, const std::string& value)
{
    return padTo(prompt, MemoBracketColumn, true) + "[" + value + "]";
}

std::string SetupQuestionnaire::printLine(const std::string& prompt, const std::string& value)
{
    return padTo(prompt, PrintBracketColumn, false) + "[" + value + "]";
}

// ---- Asking ----

SetupAsk SetupQuestionnaire::request(char type, int index)
{
    const SetupParameterInfo& p = SetupParameter(type, index);
    const char* text = machineType() == 3 && p.punchQuestion ? p.punchQuestion : p.question;
    return SetupAsk{type, index, text};
}

void SetupQuestionnaire::beforeQuestion(char type, int index)
{
    if (type == 'I' && index == 131 && machineType() == 3)
        return; // the punch question has a range of its own
    const NoteRules& r = rulesOf(type, index);
    const auto i = static_cast<std::size_t>(index);
    if (r.notSetBefore) {
        if (type == 'I' && notSetInt(copy.mach_int[i]))
            copy.mach_int[i] = static_cast<std::int16_t>(std::atoi(r.notSetValue.c_str()));
        else if (type == 'R' && copy.Mach_real[i] <= NotSetReal)
            copy.Mach_real[i] = static_cast<float>(std::atof(r.notSetValue.c_str()));
        else if (type == 'S' && (copy.Mach_Str[i] == "NONE" || copy.Mach_Str[i] == "@"))
            copy.Mach_Str[i] = r.notSetValue;
    }
    if (r.outsideBefore && type == 'I' && (copy.mach_int[i] < r.outsideLow || copy.mach_int[i] > r.outsideHigh))
        copy.mach_int[i] = static_cast<std::int16_t>(r.outsideValue);
}

void SetupQuestionnaire::afterQuestion(char type, int index)
{
    if (type == 'I' && index == 131 && machineType() == 3)
        return;
    const NoteRules& r = rulesOf(type, index);
    const auto i = static_cast<std::size_t>(index);
    if (r.notSetAfter && type == 'I' && notSetInt(copy.mach_int[i]))
        copy.mach_int[i] = static_cast<std::int16_t>(std::atoi(r.notSetValue.c_str()));
    if (r.outsideAfter && type == 'I' && (copy.mach_int[i] < r.outsideLow || copy.mach_int[i] > r.outsideHigh))
        copy.mach_int[i] = static_cast<std::int16_t>(r.outsideValue);
}

namespace {

const char* rangeMessage(int index)
{
    switch (index) {
    case 17: case 20: return "Please enter a 0  or 1 !!";
    case 60: return "Please enter a 0,1 or 2 !!";
    case 24: return "Please enter a 0,1,or 2 !!";
    case 78: return "Please type a 0,1, or 2 !!";
    case 93: case 94: return "Please type a 0 or 1 !!!";
    case 61: case 66: case 67: case 113: return "Please type a 0,1,2, or 3 !!";
    case 79: return "Please type the number 1 thru 6 !!!";
    default: return nullptr;
    }
}

} // namespace

bool SetupQuestionnaire::askAgain(char type, int index)
{
    if (Printing || type != 'I')
        return false;
    int low = 0;
    int high = 0;
    if (index == 126) {
        low = 0;
        high = 10;
    } else if (index == 131) {
        if (machineType() != 3)
            return false;
        low = 0;
        high = 1;
    } else {
        const NoteRules& r = rulesOf(type, index);
        if (!r.until)
            return false;
        low = r.untilLow;
        high = r.untilHighIsI79 ? copy.mach_int[79] : r.untilHigh;
    }
    const int v = copy.mach_int[static_cast<std::size_t>(index)];
    if (v >= low && v <= high)
        return false;
    // Navigation ends the repetition for the machine type, the post option and the punch
    // question only; the other values must be put right.
    if (Ptrchg && (index == 1 || index == 126 || index == 131))
        return false;
    if (index == 96)
        write("Please answer with a 1 thru " + std::to_string(copy.mach_int[79]) + " !!");
    else if (const char* message = rangeMessage(index))
        write(message);
    return true;
}

// One parameter: corrections, the question (again while out of range), corrections.
#define ASK(type, index)                                                                                     \
    do {                                                                                                     \
        beforeQuestion(type, index);                                                                         \
        do {                                                                                                 \
            co_yield request(type, index);                                                                   \
        } while (askAgain(type, index));                                                                     \
        afterQuestion(type, index);                                                                          \
    } while (0)

// A parameter with a question text of its own.
#define ASK_TEXT(type, index, text)                                                                          \
    do {                                                                                                     \
        SetupAsk ask_ = request(type, index);                                                                \
        ask_.prompt = (text);                                                                                \
        co_yield ask_;                                                                                       \
    } while (0)

// A parameter whose legend is shown again before each repeat.
#define ASK_LEGEND(index, legend)                                                                            \
    do {                                                                                                     \
        writeLines(legend);                                                                                  \
        do {                                                                                                 \
            co_yield request('I', index);                                                                    \
        } while (askAgain('I', index) && (writeLines(legend), true));                                         \
    } while (0)

SetupQuestionTask SetupQuestionnaire::question(int group, int number)
{
    const unsigned mill = MillBit, lathe = LatheBit, punch = PunchBit, edm = EdmBit, flame = FlameBit;
    const std::vector<std::string> formatLegend = [] {
        std::vector<std::string> l{"Format selections are :"};
        l.insert(l.end(), NumberFormatLines().begin(), NumberFormatLines().end());
        return l;
    }();
    switch (group) {
    case 0: // Machine type
        switch (number) {
        case 0:
            write("************ Machine type  ************");
            ASK('I', 1);
            if (machineType() == 3)
                ASK('I', 131);
            break;
        case 1: {
            write("Custom Post options are:");
            writeLines(PostOptionLines());
            if (I(126) < 0 || I(126) > 10)
                I(126) = 0;
            ASK('I', 126);
            if (I(126) == 8) {
                ASK('S', 43);
                ASK('S', 44);
            }
            if (I(126) == 7) {
                ASK('S', 41);
                ASK('I', 128);
            }
            if (I(125) < 0 || I(125) > 2)
                I(125) = 0;
            if (isType(mill) && I(126) == 2) {
                writeLines({"Selections are:", "   0 = For normal single spindle machine",
                            "   1 = To use second spindle of twin spindle mill",
                            "   2 = To use both spindles on a twin spindle mill"});
                ASK('I', 125);
                ASK('R', 50);
            }
            break;
        }
        case 2:
            write("=============== Post Macro Names ===============");
            ASK('S', 35);
            break;
        case 3: case 4: case 5: case 6: case 7: ASK('S', 33 + number); break;
        case 8:
            ASK('S', 42);
            ASK('S', 70);
            break;
        case 9: case 10: case 11: case 12: ASK('S', 38 + number); break;
        case 13: case 14: case 15: ASK('S', 48 + number); break;
        case 16:
            ASK('S', 64);
            if (machineType() == 3) {
                write("************* Punch Macros ***************");
                for (int s = 51; s <= 60; ++s)
                    ASK('S', s);
            }
            break;
        case 17: ASK('I', 127); break;
        case 18: ASK('I', 133); break;
        default: break;
        }
        break;

    case 1: // Axis names
        switch (number) {
        case 0:
            write("************ Axis Names ************");
            ASK('S', 34);
            break;
        case 1: ASK('S', 1); break;
        case 2: ASK('S', 7); break;
        case 3: ASK('R', 1); break;
        case 4: ASK('R', 43); break;
        case 5: ASK('R', 38); break;
        case 6:
            if (isType(mill | punch | edm | flame)) {
                ASK('S', 2); ASK('S', 8); ASK('R', 2); ASK('R', 44); ASK('R', 39);
            }
            break;
        case 7:
            if (isType(mill | lathe)) {
                ASK('S', 3); ASK('S', 9); ASK('R', 3); ASK('R', 45); ASK('R', 40); ASK('I', 132);
            }
            break;
        case 8:
            if (isType(punch))
                ASK('S', 31);
            break;
        case 9: ASK('S', 4); break;
        case 10: ASK('R', 4); break;
        case 11: ASK('R', 46); break;
        case 12:
            if (isType(mill | punch | edm | flame)) {
                ASK('S', 5); ASK('R', 41); ASK('R', 47);
            }
            break;
        case 13:
            if (isType(mill | lathe)) {
                ASK('S', 6); ASK('R', 42); ASK('R', 48);
            }
            break;
        case 14:
            ASK('S', 10);
            if (isType(lathe))
                ASK('S', 18);
            break;
        case 15: ASK('S', 13); break;
        case 16: ASK('S', 29); break;
        case 17: ASK('R', 51); break;
        case 18:
            if (isType(mill)) {
                write("This section for Drill,Tap,Bore cycles :");
                ASK('S', 11); ASK('S', 15); ASK('R', 58); ASK('S', 16); ASK('S', 46);
                write("This section for Tool Length/Diameter Compensation Codes :");
                ASK('S', 21); ASK('S', 22);
            }
            break;
        case 19:
            if (isType(mill | lathe)) {
                ASK('S', 12); ASK('S', 65); ASK('S', 14);
            }
            break;
        case 20: ASK('S', 23); break;
        case 21: ASK('S', 30); break;
        case 22:
            if (isType(lathe)) {
                ASK('S', 19); ASK('S', 20); ASK('S', 31); ASK('S', 32); ASK('S', 33);
            }
            break;
        case 23: ASK('S', 27); break;
        case 24: ASK('S', 28); break;
        case 25: ASK('S', 69); break;
        case 26: ASK('S', 24); break;
        case 27: ASK('S', 25); break;
        case 28: ASK('S', 26); break;
        default: break;
        }
        break;

    case 2: // -G- codes
        switch (number) {
        case 0:
            write("************ -G- Codes ************");
            ASK('I', 95);
            break;
        case 1: ASK('I', 97); break;
        case 2: ASK('I', 2); break;
        case 3: ASK('I', 3); break;
        case 4: ASK('S', 17); break;
        case 5:
            if (isType(punch))
                ASK('I', 130);
            break;
        case 6: ASK('I', 4); break;
        case 7: ASK('I', 5); break;
        case 8: ASK('I', 12); break;
        case 9:
            if (isType(mill))
                ASK('I', 104);
            break;
        case 10:
            if (I(12) == 1) {
                ASK('I', 6); ASK('I', 7); ASK('I', 8); ASK('I', 9);
                write("Method of describing the center of an arc :");
                writeLines(ArcCentreMethodLines());
                for (;;) {
                    ASK('I', 10);
                    ASK('I', 11);
                    const bool good = I(10) >= 1 && I(10) <= 7 && I(11) >= 1 && I(11) <= 7;
                    if (good || Printing)
                        break;
                    write("Please enter a 1 through 7 !!!");
                }
                writeLines({"Specify the number of degrees which may bein a single block :",
                            "  0 = 90 Degrees or less", "  1 = 180 Degrees or less", "  2 = 360 Degrees or less"});
                ASK('I', 78);
                writeLines({"Are Circular codes Modal", "  0 = Yes ", "  1 = No "});
                ASK('I', 93);
                writeLines({"Are I,J,K Values Modal", "  0 = Yes ", "  1 = No "});
                ASK('I', 94);
                ASK('R', 37);
            }
            break;
        case 11: ASK('I', 13); break;
        case 12: ASK('I', 14); break;
        case 13: ASK('I', 25); break;
        case 14: ASK('I', 117); break;
        case 15: ASK('I', 15); break;
        case 16: ASK('I', 16); break;
        case 17: {
            const std::vector<std::string> legend{"Machine Defaults to : ", "  0 = Incremental Mode.",
                                                  "  1 = Absolute Mode."};
            ASK_LEGEND(17, legend);
            break;
        }
        case 18: ASK('I', 18); break;
        case 19: ASK('I', 19); break;
        case 20: {
            const std::vector<std::string> legend{"Machine Defaults to : ", "  0 = Inch Mode.", "  1 = Metric Mode."};
            ASK_LEGEND(20, legend);
            break;
        }
        case 21: ASK('I', 112); break;
        case 22: ASK('I', 58); break;
        case 23:
            if (isType(mill | lathe)) {
                ASK('I', 59);
                const std::vector<std::string> legend{"Machine Defaults to : ", "  0 = Inches per minute.",
                                                      "  1 = Inches per revolution.", "  2 = Inverse time feed rate"};
                ASK_LEGEND(60, legend);
            } else {
                I(59) = NotSetInt;
                I(60) = 0;
            }
            break;
        case 24:
            writeLines({"Are feed rates modal:", "  0 = Yes", "  1 = No", "  2 = On Mode Change only",
                        "  3 = After Rapid Mode only"});
            ASK('I', 100);
            break;
        case 25:
            if (isType(lathe)) {
                ASK('I', 120);
                if (I(120) == 0)
                    ASK('R', 49);
            }
            break;
        case 26:
            if (isType(mill | lathe)) {
                write(".............. Mill Codes .................");
                ASK('I', 21); ASK('I', 22); ASK('I', 23);
                const std::vector<std::string> legend{"Machine Defaults to : ", "  0 = XY Plane.", "  1 = ZX Plane.",
                                                      "  2 = YZ Plane."};
                ASK_LEGEND(24, legend);
                ASK('I', 131);
            }
            break;
        case 27:
            if (isType(mill)) {
                write("This section for Drill,Tap,Bore cycles :");
                for (int i = 32; i <= 41; ++i)
                    ASK('I', i);
                ASK('R', 53);
                ASK('I', 129);
            }
            break;
        case 28:
            if (isType(mill)) {
                I(98) = I(126) == 6 ? 0 : 1;
                ASK('I', 99);
            }
            break;
        case 29:
            if (isType(lathe)) {
                write(".............. Lathe Codes .................");
                for (int i : {26, 27, 42, 28, 29, 30, 31})
                    ASK('I', i);
            }
            break;
        default: break;
        }
        break;

    case 3: // -M- codes
        switch (number) {
        case 0:
            write("***************  -M- Codes ***************");
            ASK('I', 43);
            break;
        case 1: case 2: case 3: ASK('I', 43 + number); break;
        case 4:
            if (isType(mill | lathe))
                for (int i : {47, 48, 49, 50, 51, 52, 55})
                    ASK('I', i);
            break;
        case 5:
            if (isType(lathe))
                for (int i : {53, 54, 136, 137})
                    ASK('I', i);
            break;
        case 6:
            if (isType(punch)) {
                ASK('I', 56);
                ASK('I', 57);
            }
            break;
        default: break;
        }
        break;

    case 4: // Number formats
        switch (number) {
        case 0:
            write("**************** Number Formats ******************");
            write("This section refers to the format of the X,Y,Z,I,J,K,and R registers :");
            writeLines(formatLegend);
            ASK('I', 61);
            break;
        case 1: ASK('I', 105); break;
        case 2:
            if (I(61) == 0) {
                writeLines({"Decimal format for a zero value :", "  0 =  (Do not output)", "  1 =   0", "  2 =   0.",
                            "  3 =   .0", "  4 =   0.0"});
                ASK('I', 119);
            }
            break;
        case 3:
            if (I(61) == 2)
                ASK('I', 121);
            break;
        case 4:
            write("For the Inch mode :");
            ASK('I', 62);
            break;
        case 5: ASK('I', 63); break;
        case 6:
            write("For the Metric mode :");
            ASK('I', 64);
            break;
        case 7: ASK('I', 65); break;
        case 8:
            write("This section refers to the Feed register");
            writeLines(formatLegend);
            ASK('I', 66);
            break;
        case 9:
            if (isType(mill | lathe)) {
                writeLines(formatLegend);
                ASK('I', 67);
            }
            break;
        case 10: ASK('I', 68); break;
        case 11: ASK('I', 69); break;
        case 12:
            if (isType(mill | lathe)) {
                ASK('I', 70);
                ASK('I', 71);
            }
            break;
        case 13:
            if (!notSetInt(I(112))) {
                write("This section refers to the inverse time feed rate mode.");
                writeLines(formatLegend);
                ASK('I', 113);
                ASK('I', 114);
                ASK('I', 115);
            }
            break;
        case 14:
            if (isType(lathe) && S(20) != "NONE") {
                write("This section for threading :");
                ASK_TEXT('I', 72, "Digits Left " + ThreadLeadRegisterWords(S(20)));
                ASK_TEXT('I', 73, "Digits Right " + ThreadLeadRegisterWords(S(20)));
            }
            break;
        case 15:
            if (isType(mill | lathe) && (S(27) != "NONE" || S(28) != "NONE")) {
                write("This section refers to the rotary axes");
                writeLines(formatLegend);
                ASK('I', 107);
                ASK('I', 108);
                ASK('I', 109);
                ASK('I', 110);
                if (isType(mill)) {
                    ASK('R', 34);
                    ASK('R', 35);
                }
            }
            break;
        case 16:
            writeLines(formatLegend);
            ASK('I', 123);
            break;
        case 17: case 18: case 19: case 20:
            writeLines({"This section refers to the N,G,S,T,and M format", "Format selections are :"});
            writeLines(RegisterFormatLines());
            ASK('I', 57 + number);
            if (number == 20)
                for (int i = 74; i <= 77; ++i)
                    if (I(i) < 0 || I(i) > 1)
                        I(i) = 0;
            break;
        case 21: ASK('I', 116); break;
        case 22: ASK('S', 45); break;
        default: break;
        }
        break;

    case 5: // Cost factors and limits
        switch (number) {
        case 0:
            write("*************** Cost Factors and Limits ***************");
            ASK('R', 5);
            break;
        case 1: case 2: case 3: case 4: ASK('R', 5 + number); break;
        case 5:
            write("............ Machine Limits .............");
            ASK('R', 10);
            break;
        case 6: ASK('R', 11); break;
        case 7:
            if (isType(mill | punch | edm | flame)) {
                ASK('R', 12);
                ASK('R', 13);
            }
            break;
        case 8:
            if (isType(mill | lathe)) {
                ASK('R', 14);
                ASK('R', 15);
            }
            break;
        case 9:
            if (!isType(edm)) {
                write("............ Rapid feedrates ............");
                ASK('R', 16);
                if (isType(mill | punch | flame))
                    ASK('R', 17);
                if (isType(mill | lathe)) {
                    ASK('R', 18);
                    ASK('R', 52);
                }
                if (isType(mill)) {
                    write("............ Rotary Axes Time ...........");
                    ASK_TEXT('R', 54, RotaryIndexQuestion(S(27)));
                    ASK_TEXT('R', 55, RotaryIndexQuestion(S(28)));
                    ASK_TEXT('R', 56, RotaryIndexQuestion(S(69)));
                }
            }
            break;
        case 10:
            write("............ Home positions ............");
            ASK('R', 19);
            break;
        case 11:
            if (isType(mill | punch | edm | flame))
                ASK('R', 20);
            break;
        case 12:
            if (isType(mill | lathe))
                ASK('R', 21);
            break;
        case 13:
            if (isType(mill | lathe))
                ASK('R', 57);
            if (isType(punch))
                ASK('R', 36);
            break;
        default: break;
        }
        break;

    case 6: // Spindle parameters (mills and lathes only)
        if (!isType(mill | lathe))
            break;
        switch (number) {
        case 0:
            write("************* Spindle parameters **************");
            ASK('I', 79);
            break;
        case 1:
            for (int k = 1; k <= I(79) && k <= 6; ++k) {
                const std::string n = std::to_string(k);
                write("For Speed range #" + n + " :");
                ASK_TEXT('R', 21 + k, "Maximum Speed for Spindle Range #" + n);
                ASK_TEXT('R', 27 + k, "Minimun Speed for Spindle Range #" + n);
                ASK_TEXT('I', 79 + k, "-M- Code for Spindle Range #" + n);
            }
            break;
        case 2: ASK('I', 96); break;
        default: break;
        }
        break;

    case 7: // Sequence numbers
        for (int i : {102, 103, 122})
            if (I(i) < 0 || I(i) > 1)
                I(i) = 1;
        if (I(124) < 0 || I(124) > 1)
            I(124) = 0;
        switch (number) {
        case 0:
            write("************* Sequence numbers **************");
            ASK('I', 86);
            break;
        case 1: ASK('I', 87); break;
        case 2: ASK('I', 88); break;
        case 3: ASK('I', 124); break;
        case 4: ASK('I', 102); break;
        case 5: ASK('I', 103); break;
        case 6: ASK('I', 122); break;
        default: break;
        }
        break;

    case 8: // Tool/cutter compensation codes
        switch (number) {
        case 0:
            write("********** Tool/Cutter compensation codes ************");
            ASK('I', 89);
            break;
        case 1: ASK('I', 90); break;
        case 2: ASK('I', 91); break;
        case 3:
            if (isType(mill)) {
                ASK('I', 101);
                ASK('I', 92);
            }
            break;
        case 4: ASK('I', 106); break;
        case 5: ASK('I', 111); break;
        default: break;
        }
        break;

    default: break;
    }
}

#undef ASK
#undef ASK_TEXT
#undef ASK_LEGEND

// ---- The question loop ----

void SetupQuestionnaire::KillMainLoop()
{
    QuestPtr = -99;
    Ptrchg = true;
    m_task.reset(); // the waiting question ends; nothing is stored
    m_waiting = false;
    m_idle = false;
    if (onMemoClear)
        onMemoClear();
}

void SetupQuestionnaire::startGroup(int group)
{
    KillMainLoop();
    GrpPtr = group < 0 || group >= GroupCount ? 0 : group;
    MaxQuest = MaxQuestions[GrpPtr];
    QuestPtr = 0;
    Ptrchg = false;
    run();
}

void SetupQuestionnaire::run()
{
    // A group whose every question number asks nothing for this machine would go round
    // for ever: after one empty round it says so once and waits for navigation.
    int emptyNumbers = 0;
    while (QuestPtr != -99) {
        if (!m_task) {
            if (QuestPtr > MaxQuest || QuestPtr < 0)
                QuestPtr = 0;
            m_task = question(GrpPtr, QuestPtr);
            m_askedThisNumber = false;
        }
        if (m_task.resume()) {
            m_askedThisNumber = true;
            present(m_task.current());
            return;
        }
        m_task.reset();
        emptyNumbers = m_askedThisNumber ? 0 : emptyNumbers + 1;
        if (emptyNumbers > MaxQuest) {
            m_idle = true;
            write(NotRequiredText);
            return;
        }
        ++QuestPtr;
        Ptrchg = false;
    }
}

void SetupQuestionnaire::present(const SetupAsk& ask)
{
    m_ask = ask;
    Helpnum = helpTopic(ask.type, ask.index);
    if (Numbering)
        write(std::string(ask.type == 'I' ? "Integer # " : ask.type == 'R' ? "Real # " : "String # ") +
              std::to_string(ask.index));
    Ptrchg = false;
    const auto [before, last] = splitPrompt(ask.prompt);
    writeLines(before);
    m_entry = shownValue(ask.type, ask.index);
    m_memoPrompt = last;
    write(memoLine(last, m_entry));
    m_waiting = true;
    if (onAsk)
        onAsk();
}

void SetupQuestionnaire::resumeWithout()
{
    if (m_idle) {
        m_idle = false;
        ++QuestPtr;
        Ptrchg = false;
        run();
        return;
    }
    if (!m_waiting)
        return;
    m_waiting = false;
    run();
}

void SetupQuestionnaire::answer(const std::string& text)
{
    if (!m_waiting)
        return;
    const auto i = static_cast<std::size_t>(m_ask.index);
    const std::string before = shownValue(m_ask.type, m_ask.index);
    if (text == "@" || (m_ask.type == 'S' && text == "NONE")) {
        if (m_ask.type == 'I')
            copy.mach_int[i] = NotSetInt;
        else if (m_ask.type == 'R')
            copy.Mach_real[i] = static_cast<float>(NotSetReal);
        else
            copy.Mach_Str[i] = NotSetString;
    } else if (m_ask.type == 'S') {
        copy.Mach_Str[i] = text.substr(0, MaxSetupString);
    } else if (const std::optional<double> v = platform::parseReal(text)) {
        if (m_ask.type == 'R') {
            if (const std::optional<float> real = SetupReal(*v))
                copy.Mach_real[i] = *real;
            else
                write("Please enter a number from -3.4E+38 to 3.4E+38 !!");
        } else {
            const std::int64_t n = platform::roundHalfEven(*v);
            if (n >= -32768 && n <= 32767)
                copy.mach_int[i] = static_cast<std::int16_t>(n);
            else
                write("Please enter a whole number from -32768 to 32767 !!");
        }
    }
    const std::string after = shownValue(m_ask.type, m_ask.index);
    if (after != before) {
        // Only a changed value makes the file unsaved; its question's line shows it.
        Dirty = true;
        if (onMemoReplaceLast)
            onMemoReplaceLast(memoLine(m_memoPrompt, after));
    }
    m_waiting = false;
    run();
}

namespace {

class StringEntry : public ExpressionEntry {
public:
    explicit StringEntry(std::string text) : m_text(std::move(text)) {}
    std::string text() const override { return m_text; }
    void setText(const std::string& text) override { m_text = text; }
    void takeFocus() override {}

private:
    std::string m_text;
};

} // namespace

void SetupQuestionnaire::enter(const std::string& text)
{
    if (!m_waiting)
        return;
    if (m_ask.type == 'S' || text == "@" || text == "NONE") {
        answer(text);
        return;
    }
    StringEntry entry(text);
    EvalEditExpression(entry, m_prompter);
    answer(entry.text());
}

void SetupQuestionnaire::navigate(int newQuestPtr)
{
    if (!m_waiting && !m_idle)
        return;
    QuestPtr = newQuestPtr;
    Ptrchg = true;
    resumeWithout();
}

void SetupQuestionnaire::next() { navigate(QuestPtr >= MaxQuest ? -1 : QuestPtr); }
void SetupQuestionnaire::previous() { navigate(QuestPtr <= 0 ? MaxQuest - 1 : QuestPtr - 2); }
void SetupQuestionnaire::top() { navigate(-1); }
void SetupQuestionnaire::bottom() { navigate(MaxQuest - 1); }

// ---- Files and printing ----

bool SetupQuestionnaire::open(const std::string& fileName)
{
    MachineSetupWorkingCopy read = copy;
    std::vector<std::string> notes;
    if (!ReadMachineFile(read, fileName, &notes)) {
        m_prompter.message("Machine Setup", "Cannot read the machine file " + fileName, platform::MessageKind::Error,
                           platform::Buttons::Ok);
        return false;
    }
    if (!notes.empty())
        m_prompter.message("Machine Setup", MachineFileNotesText(fileName, notes), platform::MessageKind::Warning,
                           platform::Buttons::Ok);
    KillMainLoop();
    copy = read;
    Mfilename = fileName;
    Dirty = false;
    if (onCaption)
        onCaption();
    startGroup(0);
    return true;
}

bool SetupQuestionnaire::saveAs(const std::string& fileName)
{
    const int group = GrpPtr;
    KillMainLoop();
    std::string error;
    const bool written = WriteMachineFile(copy, fileName, &error);
    if (written) {
        Mfilename = fileName;
        Dirty = false;
        if (onCaption)
            onCaption();
    } else {
        m_prompter.message("Machine Setup", "Cannot write the machine file " + fileName + (error.empty() ? "" : "\n" + error),
                           platform::MessageKind::Error, platform::Buttons::Ok);
    }
    if (!finished)
        startGroup(group);
    return written;
}

std::vector<std::string> SetupQuestionnaire::print()
{
    const int group = GrpPtr;
    KillMainLoop();
    std::vector<std::string> lines;
    m_printout = &lines;
    Printing = true;
    const std::string stars(61, '*');
    lines.push_back(stars);
    lines.push_back("Machine Setup -- " + Mfilename);
    lines.push_back(stars);
    lines.push_back(" ");
    for (int g = 0; g < GroupCount; ++g)
        for (int q = 0; q <= MaxQuestions[g]; ++q) {
            SetupQuestionTask task = question(g, q);
            while (task.resume()) {
                const SetupAsk& ask = task.current();
                if (Numbering)
                    write(std::string(ask.type == 'I' ? "Integer # " : ask.type == 'R' ? "Real # " : "String # ") +
                          std::to_string(ask.index));
                const auto [before, last] = splitPrompt(ask.prompt);
                writeLines(before);
                write(printLine(last, shownValue(ask.type, ask.index)));
            }
        }
    Printing = false;
    m_printout = nullptr;
    startGroup(group);
    return lines;
}

} // namespace vork
