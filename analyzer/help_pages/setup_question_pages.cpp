// Writes the machine-setup editor's question pages into a help book: one page per
// parameter (topic 100 + index for I, 300 + index for R, 500 + index for S, the numbers
// the editor's Help button and "Automatic Help Display" open) and questions.html, the
// list of them by question group. The pages are made at every build from the editor's
// own parameter table, and each question's text and legend from the editor's printout of
// every question, so they say what the editor asks and cannot fall behind it.
//
//   setup_question_pages <book folder>
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/setup_questionnaire.h"
#include "platform/numbers.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace vork;

namespace {

constexpr SetupGroup Groups[] = {SetupGroup::MachineType,       SetupGroup::AxisNames,
                                 SetupGroup::GCodes,            SetupGroup::MCodes,
                                 SetupGroup::NumberFormats,     SetupGroup::CostFactorsAndLimits,
                                 SetupGroup::SpindleParameters, SetupGroup::SequenceNumbers,
                                 SetupGroup::ToolCompensation,  SetupGroup::NotAsked};

std::string nameOf(const SetupParameterInfo& p) { return p.table + std::to_string(p.index); }
std::string pageOf(const SetupParameterInfo& p) { return std::to_string(SetupQuestionnaire::helpTopic(p.table, p.index)) + ".html"; }
bool asked(const SetupParameterInfo& p) { return p.group != SetupGroup::NotAsked && *p.question; }

// The text as HTML: markup characters escaped, 8-bit characters as Latin-1 code points.
std::string html(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x80)
                out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
            else
                out += c;
        }
    }
    return out;
}

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string firstLine(std::string_view text) { return trimmed(text.substr(0, text.find('\n'))); }

std::string rightTrimmed(std::string_view text) { return std::string(text.substr(0, text.find_last_not_of(' ') + 1)); }

std::string groupName(SetupGroup group)
{
    return group == SetupGroup::NotAsked ? "Not asked" : trimmed(SetupGroupName(group));
}

std::string groupAnchor(SetupGroup group) { return "group" + std::to_string(static_cast<int>(group)); }

std::string machineTypes(unsigned bits)
{
    if (bits == AllMachineTypes)
        return "every machine type";
    static const char* const names[] = {"mill", "lathe", "punch", "EDM", "flame"};
    std::string out;
    for (int i = 0; i < 5; ++i)
        if (bits & (1u << i))
            out += (out.empty() ? "" : ", ") + std::string(names[i]);
    return out;
}

std::string defaultValue(const SetupParameterInfo& p)
{
    if (p.table == 'S')
        return p.defaultString == NotSetString ? "NONE (not set)" : p.defaultString;
    if (p.defaultNumber <= NotSetReal)
        return "NONE (not set, stored as -9999)";
    // The editor keeps reals to single precision, and so does the file it writes.
    return p.table == 'I' ? std::to_string(static_cast<int>(p.defaultNumber))
                          : platform::formatFixed(static_cast<float>(p.defaultNumber), 4);
}

// A question as the editor shows it: the headings and legends written before it and
// the lines of its text.
struct ShownQuestion {
    std::vector<std::string> lead;
    std::vector<std::string> text;
};
using ShownQuestions = std::map<std::pair<char, int>, std::vector<ShownQuestion>>;

class SilentPrompter : public platform::Prompter {
public:
    platform::Button message(const std::string&, const std::string&, platform::MessageKind, platform::Buttons) override
    {
        return platform::Button::Ok;
    }
    bool inputString(const std::string&, const std::string&, std::string&) override { return false; }
};

// The editor's printout with parameter numbers, read back: every "Integer # n" line is
// followed by the question's text, whose last line ends with the value in brackets.
void readPrintout(SetupQuestionnaire& q, ShownQuestions& shown)
{
    static const std::pair<const char*, char> kinds[] = {{"Integer # ", 'I'}, {"Real # ", 'R'}, {"String # ", 'S'}};
    q.Numbering = true;
    const std::vector<std::string> lines = q.print();
    std::vector<std::string> lead;
    for (std::size_t i = 4; i < lines.size(); ++i) {
        char table = 0;
        int index = 0;
        for (const auto& [label, kind] : kinds)
            if (lines[i].starts_with(label)) {
                table = kind;
                index = std::stoi(lines[i].substr(std::string(label).size()));
            }
        if (!table) {
            lead.push_back(lines[i]);
            continue;
        }
        const std::string value = "[" + q.shownValue(table, index) + "]";
        ShownQuestion question{std::move(lead), {}};
        lead.clear();
        while (++i < lines.size() && !lines[i].ends_with(value))
            question.text.push_back(lines[i]);
        if (i < lines.size())
            question.text.push_back(rightTrimmed(lines[i].substr(0, lines[i].size() - value.size())));
        auto& seen = shown[{table, index}];
        const bool known = std::any_of(seen.begin(), seen.end(),
                                       [&question](const ShownQuestion& s) { return s.text == question.text; });
        if (!known)
            seen.push_back(std::move(question));
    }
}

// Every question of every machine type, with answers that open the questions asked only
// under a condition (post options, formats, inverse time, six speed ranges, rapid in IPM).
ShownQuestions questionsAsShown()
{
    ShownQuestions shown;
    SilentPrompter prompter;
    for (int type = 1; type <= 5; ++type)
        for (const int postOption : {0, 2, 7, 8}) {
            SetupQuestionnaire q(prompter);
            q.copy.mach_int[1] = static_cast<std::int16_t>(type);
            q.copy.mach_int[126] = static_cast<std::int16_t>(postOption);
            q.copy.mach_int[79] = 6;
            q.copy.mach_int[112] = 93;
            readPrintout(q, shown);
            q.copy.mach_int[61] = 2;
            q.copy.mach_int[120] = 0;
            readPrintout(q, shown);
        }
    return shown;
}

// The table's notes say "asked until 0..1" where the editor repeats a question.
std::string readableNotes(std::string notes)
{
    static const std::string until = "asked until ";
    static const std::string again = "asked again until the answer is ";
    for (std::size_t at = 0; (at = notes.find(until, at)) != std::string::npos; at += again.size())
        notes.replace(at, until.size(), again);
    return notes;
}

std::string answerText(char table)
{
    switch (table) {
    case 'I':
        return "A whole number from -32768 to 32767. An expression (<code>2*3</code>) is worked out when you press "
               "Enter; a fraction is rounded to the nearest whole number (a half to the even one). A number "
               "outside that range is refused with a message; text that is not a number leaves the value as it "
               "was.";
    case 'R':
        return "A number; an expression is worked out when you press Enter. It is kept to about seven significant "
               "digits and shown with four decimals. Text that is not a number leaves the value as it was.";
    default:
        return "Up to 8 characters; a longer answer keeps its first 8. The answer NONE means the machine has no "
               "such word.";
    }
}

std::string head(const std::string& title)
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + html(title) +
           "</title>\n<link rel=\"stylesheet\" href=\"../style.css\">\n</head>\n<body>\n"
           "<p class=\"nav\"><a href=\"analyzer.html\">Contents</a> | <a href=\"index.html\">Index</a> | "
           "<a href=\"10017.html\">Machine setup editor</a> | <a href=\"questions.html\">All questions</a></p>\n"
           "<h1>" +
           html(title) + "</h1>\n";
}

std::string questionPage(const SetupParameterInfo& p, const std::vector<ShownQuestion>& shown)
{
    const std::string name = nameOf(p);
    const std::string question = shown.empty() ? firstLine(p.question) : trimmed(shown.front().text.front());
    std::string page = head(asked(p) ? name + ": " + question : name);
    if (!asked(p)) {
        page += "<p>The editor does not ask " + name + ". It keeps the value the machine file gives it (" +
                html(defaultValue(p)) + " for a new machine) and writes it back unchanged.</p>\n";
        if (*p.notes)
            page += "<p>" + html(p.notes) + ".</p>\n";
        return page + "</body>\n</html>\n";
    }
    // As the editor shows it, the legends before it included.
    for (const ShownQuestion& question : shown) {
        page += "<pre>";
        for (const std::string& line : question.lead)
            page += html(line) + "\n";
        for (const std::string& line : question.text)
            page += "<b>" + html(line) + "</b>\n";
        page += "</pre>\n";
    }
    if (shown.empty())
        page += "<pre><b>" + html(p.question) + "</b></pre>\n";
    page += "<table class=\"facts\">\n";
    const auto row = [&page](const std::string& label, const std::string& value) {
        page += "<tr><th>" + label + "</th><td>" + value + "</td></tr>\n";
    };
    row("Parameter", name);
    std::string group = "<a href=\"questions.html#" + groupAnchor(p.group) + "\">" + html(groupName(p.group)) + "</a>";
    if (p.punchGroup != p.group)
        group += "; on a punch: <a href=\"questions.html#" + groupAnchor(p.punchGroup) + "\">" +
                 html(groupName(p.punchGroup)) + "</a>";
    row("Question group", group);
    std::string askedFor = machineTypes(p.machineTypes);
    if (*p.condition)
        askedFor += ", when " + html(p.condition);
    row("Asked for", askedFor);
    row("New machine", html(defaultValue(p)));
    if (*p.notes)
        row("Values", html(readableNotes(p.notes)));
    row("Answer", answerText(p.table));
    row("Not set", "<code>@</code> or the &ldquo;None&rdquo; button: the machine has no such " +
                       std::string(p.table == 'S' ? "word (NONE)" : "value (-9999, shown as NONE)"));
    page += "</table>\n";
    return page + "</body>\n</html>\n";
}

std::string questionList()
{
    std::string page = head("Machine setup questions");
    page += "<p>Every parameter of a machine-setup file, by the question group that asks it, in the order of "
            "the file. The editor's Help button opens the page of the question it shows.</p>\n<p>";
    for (const SetupGroup group : Groups)
        page += "<a href=\"#" + groupAnchor(group) + "\">" + html(groupName(group)) + "</a><br>\n";
    page += "</p>\n";
    for (const SetupGroup group : Groups) {
        page += "<h2 id=\"" + groupAnchor(group) + "\">" + html(groupName(group)) +
                "</h2>\n<table class=\"list\">\n<tr><th>Parameter</th><th>Question</th><th>New machine</th></tr>\n";
        for (const SetupParameterInfo& p : SetupParameters())
            if (p.group == group || (p.punchGroup == group && p.punchQuestion))
                page += "<tr><td><a href=\"" + pageOf(p) + "\">" + nameOf(p) + "</a></td><td>" +
                        html(firstLine(p.group == group ? p.question : p.punchQuestion)) + "</td><td>" +
                        html(defaultValue(p)) + "</td></tr>\n";
        page += "</table>\n";
    }
    return page + "</body>\n</html>\n";
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "setup_question_pages: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: setup_question_pages <book folder>\n";
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    bool ok = writeFile(folder + "questions.html", questionList());
    const ShownQuestions shown = questionsAsShown();
    for (const SetupParameterInfo& p : SetupParameters()) {
        const auto found = shown.find({p.table, p.index});
        ok = writeFile(folder + pageOf(p), questionPage(p, found == shown.end() ? std::vector<ShownQuestion>{} : found->second)) && ok;
    }
    return ok ? 0 : 1;
}
