#include "analyzer/engine/nc_input.h"

#include "analyzer/engine/data_listing.h"
#include "analyzer/engine/machine_setup.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/run_services.h"
#include "analyzer/engine/run_state.h"
#include "platform/file_replace.h"
#include "platform/format.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vork {

namespace {

constexpr std::size_t MaxAddressLength = 80;
constexpr std::string_view NumberCharacters = " \t+-.0123456789";

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits beyond these change no double: more integer digits are out of its range, more
// fraction digits are below its precision.
constexpr std::size_t MaxIntegerDigits = 310;
constexpr std::size_t MaxFractionDigits = 400;

// The number a cleaned word text stands for: the longest start of it that reads as a
// number ("1.2.3" gives 1.2), or 0. Only a sign, digits, one point and digits can read,
// so that start is found in one pass, and digits that cannot change the value are left
// out before converting: a word of any length costs time in proportion to its length.
double convertNumberText(const std::string& text)
{
    std::size_t n = 0;
    if (n < text.size() && (text[n] == '-' || text[n] == '+'))
        ++n;
    std::string start = text.substr(0, n);
    while (n + 1 < text.size() && text[n] == '0' && isDigit(text[n + 1]))
        ++n; // leading zeros say nothing
    const std::size_t integerStart = n;
    while (n < text.size() && isDigit(text[n]))
        ++n;
    start.append(text, integerStart, std::min(n - integerStart, MaxIntegerDigits));
    if (n < text.size() && text[n] == '.') {
        const std::size_t point = n;
        for (++n; n < text.size() && isDigit(text[n]);)
            ++n;
        if (point - integerStart <= MaxIntegerDigits) // the integer digits were kept whole
            start.append(text, point, std::min(n - point, MaxFractionDigits + 1));
    }
    for (std::size_t length = start.size(); length > 0; --length) // "-", "-." read as nothing
        if (const auto v = platform::parseReal(std::string_view(start).substr(0, length)))
            return *v;
    return 0.0;
}

// The characters a word's number text is made of: a table, since every word read scans them.
constexpr auto NumberCharacterTable = [] {
    std::array<bool, 256> table{};
    for (const char c : NumberCharacters)
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

// The end of the number text that starts at `from`.
std::size_t numberTextEnd(const std::string& block, std::size_t from)
{
    while (from < block.size() && NumberCharacterTable[static_cast<unsigned char>(block[from])])
        ++from;
    return from;
}

// A word's number written plainly, as most are: blanks, a "-", digits with at most one
// point, and blanks, in that order, each part optional but the digits.
struct PlainNumber {
    bool negative = false;
    bool point = false;
    std::uint64_t digits = 0; // all digits, the point left out
    int integerDigits = 0;
    int fractionDigits = 0;

    // The value in a format, when a double holds it with one exact multiplication or
    // division by a power of ten: that is correctly rounded, as the general reading is.
    // In formats 1 to 3 the point is read as not there.
    std::optional<double> value(int format, int left, int right) const
    {
        static constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        constexpr int MaxExactPower = 22;
        int power = 0; // the value is digits x 10^power
        if (format == FormatDecimal)
            power = -fractionDigits;
        else if (format == FormatLeading)
            power = left - (integerDigits + fractionDigits);
        else
            power = -right;
        if (power < -MaxExactPower || power > MaxExactPower)
            return std::nullopt;
        const double whole = static_cast<double>(digits);
        const double v = power < 0 ? whole / PowersOfTen[-power] : whole * PowersOfTen[power];
        return negative ? -v : v;
    }
};

// The number text that starts at `from`, read in the same pass that finds its end, when it
// is written plainly and its digits form an integer a double holds exactly. Anything else
// (blanks inside it, a "+", more signs or points) is left to the general reading.
std::optional<PlainNumber> readPlainNumber(const std::string& block, std::size_t from)
{
    constexpr std::uint64_t MaxExactInteger = std::uint64_t{1} << 53;
    constexpr int MaxDigitsWithoutOverflow = 19;
    const char* p = block.data() + from;
    const char* const end = block.data() + block.size();
    const auto skipBlanks = [&] {
        while (p != end && (*p == ' ' || *p == '\t'))
            ++p;
    };
    const auto readDigits = [&](std::uint64_t& digits) {
        const char* const start = p;
        for (; p != end && isDigit(*p); ++p)
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0'); // overflow is caught by the count
        return static_cast<int>(p - start);
    };
    PlainNumber n;
    skipBlanks();
    if (p != end && *p == '-') {
        n.negative = true;
        ++p;
    }
    n.integerDigits = readDigits(n.digits);
    if (p != end && *p == '.') {
        n.point = true;
        ++p;
        n.fractionDigits = readDigits(n.digits);
    }
    skipBlanks();
    if (p != end && NumberCharacterTable[static_cast<unsigned char>(*p)])
        return std::nullopt; // more of the number follows
    const int count = n.integerDigits + n.fractionDigits;
    if (count == 0 || count > MaxDigitsWithoutOverflow || n.digits > MaxExactInteger)
        return std::nullopt;
    return n;
}

// Where `address` first occurs in the block; an empty address never occurs. A one-letter
// address, as nearly all are, is one scan for a character. (An index of the block's letters
// would have to be checked against the block at every read, since the interpreter edits
// the block in place between reads: that check costs as much as this scan.)
std::size_t findAddress(const std::string& block, std::string_view address)
{
    if (address.size() != 1)
        return address.empty() ? std::string::npos : block.find(address);
    const void* at = std::memchr(block.data(), address[0], block.size());
    return at ? static_cast<std::size_t>(static_cast<const char*>(at) - block.data()) : std::string::npos;
}

// Addresses whose numbers have no fraction: mixed formats read them as written.
bool isWholeNumberLetter(char letter)
{
    switch (letter) {
    case 'D': case 'G': case 'H': case 'M': case 'N': case 'S': case 'T': return true;
    default: return false;
    }
}

bool isBlankLine(const std::string& line)
{
    return line.find_first_not_of(' ') == std::string::npos;
}

constexpr int MaxWorkCopies = 100;

// The name of the n-th work copy of a folder: DV.TMP, DV1.TMP .. DV99.TMP.
std::string workCopyName(int n)
{
    return (n == 0 ? std::string("DV") : "DV" + std::to_string(n)) + ".TMP";
}

bool isWorkCopyName(std::string_view name)
{
    for (int n = 0; n < MaxWorkCopies; ++n)
        if (name == workCopyName(n))
            return true;
    return false;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Creates a work copy under `name` only when nothing of that name exists, not even a link;
// nullptr with `error` (EEXIST: the name is taken) otherwise. The run holds a lock on its
// copy while it runs: the system lets go of it when the run ends, however it ends, and
// a copy nobody holds is left over from a run that no longer runs.
std::FILE* createWorkCopyFile(const std::string& name, int& error)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat made{}, named{};
    // A sweep of another run may have taken the copy before it was locked: the name is
    // then free again, or another run's.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &made) != 0 || ::lstat(name.c_str(), &named) != 0 ||
        !sameFile(made, named)) {
        ::close(fd);
        error = EEXIST;
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, "wb");
    if (!stream) {
        error = errno;
        ::close(fd);
        ::unlink(name.c_str());
    }
    return stream;
}

// Gives a work copy kept for the user a name of its own beside it, after the program
// (P.TAP.EDITED, P.TAP.EDITED1, ..), which no sweep takes for a left-over copy. The
// copy's name when none can be given.
std::string keepWorkCopy(const std::string& copy, const std::string& program)
{
    const std::string base = platform::joinPath(platform::folderPart(copy), platform::fileNamePart(program)) + ".EDITED";
    for (int n = 0; n < MaxWorkCopies; ++n) {
        const std::string kept = n == 0 ? base : base + std::to_string(n);
        if (::link(copy.c_str(), kept.c_str()) == 0) {
            ::unlink(copy.c_str());
            return kept;
        }
        if (errno != EEXIST)
            break;
    }
    return copy;
}

} // namespace

NCInput::NCInput(TRunState& state, const TMachineSetup& setup, RunServices& services)
    : m_state(state), m_setup(setup), m_services(services)
{
}

std::string NCInput::DifFileNameFor(const std::string& ncFileName)
{
    return platform::changeFileExtension(ncFileName, ".DIF");
}

// The work copy is DV.TMP beside the NC file. When that name is taken (another run in
// the same folder, or the copy a broken-off run left), the next free DV<n>.TMP is used,
// so that no run ever writes into another run's copy. A folder that cannot be written
// (a shop's released programs) leaves the copy to the program's folders (WorkCopyFolders),
// so that an edit made during the run is kept somewhere. Copies that killed runs left in a
// folder go before it is used.
bool NCInput::createWorkCopy()
{
    TRunState& s = m_state;
    s.WorkCopyError.clear();
    std::vector<std::string> folders = {platform::folderPart(s.NCFileName)}; // "": the current folder
    for (const std::string& folder : s.WorkCopyFolders)
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    for (const std::string& folder : folders) {
        platform::removeUnheldLeftovers(folder, isWorkCopyName); // copies of killed runs
        int error = EEXIST;
        std::string name;
        for (int n = 0; n < MaxWorkCopies && error == EEXIST; ++n) {
            name = platform::joinPath(folder, workCopyName(n));
            if (std::FILE* stream = createWorkCopyFile(name, error)) {
                s.WorkCopyName = name;
                s.WorkCopyError.clear(); // a folder tried before is of no concern now
                return s.WorkCopy.adopt(stream, name);
            }
        }
        if (s.WorkCopyError.empty())
            s.WorkCopyError = "[" + name + "]: " + std::strerror(error);
    }
    return false;
}

void NCInput::showError(const std::string& text)
{
    if (m_services.prompter)
        m_services.prompter->message("Error", text, platform::MessageKind::Error, platform::Buttons::Ok);
}

// ---- Opening ---------------------------------------------------------------------

bool NCInput::OpenNCFile(const std::string& name)
{
    TRunState& s = m_state;
    if (!s.KeepFileName) {
        s.EndOfProgram = false;
        s.NCFileName = platform::resolveCaseInsensitive(name);
        s.DifFileName = DifFileNameFor(s.NCFileName);
        s.SubSplit = false; // another program's split files are not this one's
    }
    s.NCFile.close();
    s.ProgramLoaded = false;
    // A program that cannot be read is left alone: no work copy is begun, so nothing
    // can later be put in its place. A FIFO or device is no program and no new one: it is
    // neither read (that could block or never end) nor replaced by a typed-in program.
    const platform::FileKind kind = platform::fileKind(s.NCFileName);
    if (kind == platform::FileKind::NotRegular) {
        showError(platform::notRegularFileText(s.NCFileName));
        return false;
    }
    if (kind == platform::FileKind::Regular && !s.NCFile.open(s.NCFileName)) {
        showError("Cannot Open [" + s.NCFileName + "]");
        return false;
    }
    if (!s.NCFile.isOpen()) {
        std::string answer;
        const bool answered =
            m_services.prompter && m_services.prompter->inputString("Input", "Automatic Sequence Numbers [Y/N]", answer);
        s.AutoSequence = answered && !(answer.size() > 0 && (answer[0] == 'N' || answer[0] == 'n'));
        if (s.AutoSequence)
            s.SeqNumber = std::int64_t{m_setup.I(86)} - 2 * std::int64_t{m_setup.I(87)};
        platform::LineWriter created;
        if (!created.create(s.NCFileName) || !created.close()) {
            showError("Cannot Create [" + s.NCFileName + "]");
            return false;
        }
        s.TypedEntry = true;
        s.TypedSinceReopen = 0;
    }

    if (s.DataFileOn && !BeginDataListing(s))
        showError("Error Opening Data File [" + s.DataFileName + "]: " + std::strerror(errno));

    s.WorkCopyFailed = !createWorkCopy();
    if (s.WorkCopyFailed)
        showError("Error Opening Temp File " + s.WorkCopyError);
    s.WorkCopyOpen = true;
    s.ProgramEdited = false;
    // The new work copy starts empty: a block fetched before belongs to the old one.
    s.PrevBlock.clear();
    s.FirstBlock = true;
    s.ProgramLoaded = true;
    return true;
}

// ---- Fetching --------------------------------------------------------------------

bool NCInput::readNextLine()
{
    TRunState& s = m_state;
    while (s.SubLevel > 0) {
        platform::LineReader& file = s.SubFile[static_cast<std::size_t>(s.SubLevel)];
        if (file.readLine(s.Block))
            return true;
        int& repeats = s.SubRepeat[static_cast<std::size_t>(s.SubLevel)];
        // A repetition that would read no line ends the call: an empty file called
        // L2147483647 times is over at once.
        if (repeats > 0 && file.rewind() && !file.atEnd()) {
            --repeats;
            continue;
        }
        file.close();
        s.PrevBlock.clear();
        --s.SubLevel;
    }
    if (s.TypedEntry)
        return true; // the line is asked for
    if (s.NCFile.readLine(s.Block))
        return true;
    s.EndOfProgram = true;
    s.Mode = ModeLinear;
    return false;
}

void NCInput::fetchBlockLine()
{
    TRunState& s = m_state;
    if (s.TypedEntry && s.SubLevel == 0) {
        s.Block = " ";
        if (!m_services.prompter || !m_services.prompter->inputString("Input", "New Line", s.Block)) {
            s.Block = " ";
            s.SegmentEnd = true;
        } else if (!s.Block.empty() && s.Block[0] == '@') {
            s.EndOfProgram = true;
        } else if (s.Block == " ") {
            s.SegmentEnd = true;
        }
        return;
    }
    if (s.NoDisplay || !m_services.codeList)
        return;
    CodeList& list = *m_services.codeList;
    list.add(s.Block);
    if (list.count() > CodeListLines)
        list.removeFirst();
    list.selectLast();
    if (m_services.pump)
        m_services.pump->processEvents();
}

void NCInput::cleanBlock()
{
    TRunState& s = m_state;
    std::string& b = s.Block;
    if (m_setup.I(126) == 7) {
        UpperCaseInPlace(b);
        ConvertDelimitedLine(b, m_setup.S(41));
    }
    if (b.find("DRAW") != std::string::npos)
        b.clear();
    const std::string& altStart = m_setup.S(26);
    if (occurs(b, altStart))
        b.erase(b.find(altStart));
    const std::string& start = m_setup.S(24);
    if (occurs(b, start)) {
        const std::size_t from = b.find(start);
        const std::string& stop = m_setup.S(25);
        const std::size_t to = stop.empty() ? std::string::npos : b.find(stop, from + start.size());
        b.erase(from, to == std::string::npos ? std::string::npos : to + stop.size() - from);
    }
    if (b.find('<') != std::string::npos)
        runDirective();
}

void NCInput::runDirective()
{
    TRunState& s = m_state;
    const char kind = s.Block.size() > 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(s.Block[1]))) : '\0';
    if (kind == 'D' || kind == 'T') {
        const std::string text = s.Block.size() > 2 ? s.Block.substr(2, 10) : std::string();
        if (const auto value = platform::parseReal(text)) {
            if (kind == 'T')
                s.SegTime += *value;
            else if (s.Feed > 0)
                s.SegTime += *value / s.Feed; // a distance at the current feed; no feed, no time
        }
    } else if (kind == 'X') {
        drawLabel();
    }
    s.Block = " ";
}

void NCInput::drawLabel()
{
    TRunState& s = m_state;
    const std::string& raw = s.RawBlock;
    const std::size_t lt = raw.find('<');
    if (lt == std::string::npos)
        return;
    const std::size_t gt = raw.find('>', lt);
    s.Block = raw.substr(lt, gt == std::string::npos ? std::string::npos : gt - lt + 1);
    const auto word = [&](const char* letter, double fallback) {
        ReadWordValue(letter, FormatDecimal, 3, 4);
        return s.WordFound ? s.WordValue : fallback;
    };
    const double x = word("X", 0.0);
    const double y = word("Y", 0.0);
    const double size = word("S", 0.125);
    const std::string text = gt == std::string::npos ? raw : raw.substr(gt + 1);
    if (m_services.drawing) {
        m_services.drawing->Drawlabel(x, y, 0.0, size, text);
        m_services.drawing->Moveto(s.CurX, s.CurY, s.CurZ);
    }
}

void NCInput::numberTypedBlock()
{
    TRunState& s = m_state;
    s.SeqNumber += m_setup.I(87);
    const std::string& p = s.PrevBlock;
    if (isBlankLine(p) || p[0] == '%' || p[0] == ':' || p[0] == '<' || p[0] == 'O')
        return;
    std::string number = platform::strInt(s.SeqNumber, 4);
    number.erase(std::remove(number.begin(), number.end(), ' '), number.end());
    s.PrevBlock = "N" + number + p;
}

void NCInput::writeWorkCopyLine(const std::string& line)
{
    TRunState& s = m_state;
    if (!s.WorkCopy.isOpen())
        return;
    s.WorkCopy.writeLine(line);
    if (s.TypedEntry && ++s.TypedSinceReopen >= 2) {
        s.TypedSinceReopen = 0;
        s.WorkCopy.flush(); // typed lines reach the disk
    }
}

void NCInput::ReadNextBlock()
{
    TRunState& s = m_state;
    if (s.EndOfProgram)
        return;
    if (readNextLine()) {
        fetchBlockLine();
        s.RawBlock = s.Block;
        cleanBlock();
        if (s.TypedEntry && s.AutoSequence)
            numberTypedBlock();
    } else {
        // The end of the file: no block is left to run.
        s.Block.clear();
        s.RawBlock.clear();
    }
    if (!s.FirstBlock && !s.PrevBlock.empty() && s.PrevBlock != " " && s.SubLevel == 0)
        writeWorkCopyLine(s.PrevBlock);
    s.FirstBlock = false;
    if (s.EndOfProgram)
        CloseNCFile();
}

bool NCInput::EnterSubProgram(const std::string& fileName, int times)
{
    TRunState& s = m_state;
    if (s.SubLevel >= MaxSubLevel)
        return false;
    const auto level = static_cast<std::size_t>(s.SubLevel + 1);
    if (!s.SubFile[level].open(fileName))
        return false;
    s.SubLevel = static_cast<int>(level);
    if (level == 1)
        writeWorkCopyLine(s.RawBlock);
    s.SubRepeat[level] = times - 1;
    return true;
}

// ---- Closing ---------------------------------------------------------------------

void NCInput::discardWorkCopy()
{
    TRunState& s = m_state;
    const bool ours = s.WorkCopy.isOpen(); // a copy that failed to open may be another run's
    s.WorkCopy.close();
    if (ours)
        std::remove(s.WorkCopyName.c_str());
}

namespace {

// The system's reason in a message of the file replacement ("Cannot create <file>: <why>"),
// whose file is a temporary one the user never sees.
std::string reasonOf(const std::string& error)
{
    const std::size_t colon = error.rfind(": ");
    return colon == std::string::npos ? error : error.substr(colon + 2);
}

} // namespace

// The NC file takes the text of the work copy, keeping its mode; a program the user may
// not write keeps its text, and the edits stay in the work copy, which the user is told of.
bool NCInput::replaceNCFileByWorkCopy()
{
    TRunState& s = m_state;
    // The copy stays open, and so held, until it is gone or kept under a name of its own:
    // a run starting meanwhile would take a copy nobody holds for a left-over.
    if (!s.WorkCopy.flush() && s.WorkCopyError.empty())
        s.WorkCopyError = "[" + s.WorkCopyName + "]: " + s.WorkCopy.errorText();
    const auto bytes = s.WorkCopyFailed || !s.WorkCopyError.empty()
                           ? std::nullopt
                           : platform::readFileBytes(s.WorkCopyName);
    if (!bytes) {
        if (s.WorkCopyError.empty())
            s.WorkCopyError = "[" + s.WorkCopyName + "]: " + std::strerror(errno);
        s.WorkCopy.close();
        if (m_services.prompter)
            m_services.prompter->message("Warning",
                                         "Error Writing Temp File " + s.WorkCopyError + "\nNC File Left Unchanged",
                                         platform::MessageKind::Warning, platform::Buttons::Ok);
        return false;
    }
    const platform::ReplaceResult result = platform::replaceFile(s.NCFileName, *bytes);
    if (!result) {
        const std::string why = result.status == platform::ReplaceResult::Status::WriteProtected
                                    ? result.error
                                    : "Cannot Write [" + s.NCFileName + "]: " + reasonOf(result.error);
        s.WorkCopyName = keepWorkCopy(s.WorkCopyName, s.NCFileName);
        s.WorkCopy.close();
        showError(why + "\nThe Program Is Kept In [" + s.WorkCopyName + "]");
        return false;
    }
    std::remove(s.WorkCopyName.c_str());
    s.WorkCopy.close();
    return true;
}

bool NCInput::CloseNCFile()
{
    TRunState& s = m_state;
    if (!s.WorkCopyOpen)
        return false; // nothing was begun: the program stays as it is
    // A program nobody edited stays as it is, byte for byte, mode and all.
    const bool replace = s.TypedEntry || s.ProgramEdited;
    if (replace) {
        if (!s.EndOfProgram && s.SubLevel == 0 && !s.PrevBlock.empty() && s.PrevBlock != " ")
            writeWorkCopyLine(s.PrevBlock);
        if (!s.TypedEntry && !s.EndOfProgram) {
            std::string line;
            while (s.NCFile.readLine(line))
                writeWorkCopyLine(line);
        }
        if (s.NCFile.failed()) { // the copy does not hold the whole program
            s.WorkCopyFailed = true;
            s.WorkCopyError = "[" + s.NCFileName + "]: the program could not be read to its end";
        }
    }
    s.NCFile.close();
    for (int level = 1; level <= MaxSubLevel; ++level)
        s.SubFile[static_cast<std::size_t>(level)].close();
    s.SubLevel = 0;
    bool closed = true;
    if (replace)
        closed = replaceNCFileByWorkCopy();
    else
        discardWorkCopy();
    s.TypedEntry = false;
    s.WorkCopyOpen = false;
    return closed;
}

// ---- Address words ---------------------------------------------------------------

void NCInput::ReadWordValue(std::string_view address, int format, int left, int right)
{
    if (address.size() > MaxAddressLength)
        address = address.substr(0, MaxAddressLength);
    const std::size_t at = findAddress(m_state.Block, address);
    if (at == std::string::npos)
        m_state.WordFound = false; // the most common answer, given without a call
    else
        readWordAt(at, address[0], format, left, right);
}

int NCInput::effectiveFormat(char letter, int format, bool point) const
{
    if (m_setup.I(105) == 0 && !isWholeNumberLetter(letter) && format == FormatDecimal && !point)
        format = FormatTrailing;
    if (format < FormatDecimal || format > FormatLeadingTrailing)
        format = FormatDecimal;
    return format;
}

void NCInput::readWordAt(std::size_t at, char letter, int format, int left, int right)
{
    TRunState& s = m_state;
    s.WordFound = at != std::string::npos;
    if (!s.WordFound)
        return;
    const std::size_t from = at + 1;
    left = std::clamp(left, 0, 15);
    right = std::clamp(right, 0, 15);
    if (const auto plain = readPlainNumber(s.Block, from)) {
        const int plainFormat = effectiveFormat(letter, format, plain->point);
        if (plainFormat == FormatDecimal || !plain->point) {
            if (const auto value = plain->value(plainFormat, left, right)) {
                s.WordValue = *value;
                return;
            }
        }
    }

    readWordText(s.Block.substr(from, numberTextEnd(s.Block, from) - from), letter, format, left, right);
}

// The general reading of a word's number text, for every text however written.
void NCInput::readWordText(std::string text, char letter, int format, int left, int right)
{
    TRunState& s = m_state;
    format = effectiveFormat(letter, format, text.find('.') != std::string::npos);
    StripBlanks(text);
    if (const std::size_t plus = text.find('+'); plus != std::string::npos)
        text.erase(plus, 1);
    if (format != FormatDecimal) {
        if (const std::size_t dot = text.find('.'); dot != std::string::npos) {
            s.BadFormatLetter = letter;
            text.erase(dot, 1);
            ++s.NCErrorCount;
            if (m_services.errors)
                m_services.errors->ReportNCError(8);
        }
    }
    bool negative = false;
    if (const std::size_t minus = text.find('-'); minus != std::string::npos) {
        text.erase(minus, 1);
        negative = true;
    }
    if (text.empty()) {
        s.WordValue = 0.0;
        return;
    }
    if (format == FormatLeading) {
        if (text.size() <= static_cast<std::size_t>(left))
            text.append(static_cast<std::size_t>(left) - text.size(), '0');
        text.insert(static_cast<std::size_t>(left), ".");
    } else if (format != FormatDecimal) {
        if (text.size() <= static_cast<std::size_t>(right))
            text.insert(0, static_cast<std::size_t>(right) + 1 - text.size(), '0');
        text.insert(text.size() - static_cast<std::size_t>(right), ".");
    }
    if (text.front() == '.')
        text.insert(0, "0");
    if (text.back() == '.')
        text.push_back('0');
    const double value = convertNumberText(text);
    s.WordValue = negative ? -value : value;
}

void NCInput::ReadCoordinateWord(std::string_view address)
{
    if (m_state.Metric)
        ReadWordValue(address, m_setup.I(61), m_setup.I(64), m_setup.I(65));
    else
        ReadWordValue(address, m_setup.I(61), m_setup.I(62), m_setup.I(63));
}

namespace {

// The end of the G word that starts at `g`: the "G" and the signs and digits after it.
std::size_t gWordEnd(const std::string& block, std::size_t g)
{
    std::size_t end = g + 1;
    while (end < block.size() && (isDigit(block[end]) || block[end] == '+' || block[end] == '-'))
        ++end;
    return end;
}

} // namespace

void NCInput::StripGWord()
{
    std::string& b = m_state.Block;
    const std::size_t g = b.find('G');
    if (g != std::string::npos)
        b.erase(g, gWordEnd(b, g) - g);
}

bool NCInput::ReadGWords(const std::function<bool(double)>& apply, bool firstOnly)
{
    TRunState& s = m_state;
    std::string& b = s.Block;
    // Each word read is blanked where it stands and the blanks are taken out once at the
    // end, so a block of any number of G words is read in one pass. Blanks read as
    // nothing inside a number, so the words read meanwhile come out as after deleting.
    std::vector<std::pair<std::size_t, std::size_t>>& blanked = m_blankedGWords; // in the order of the block
    blanked.clear();
    bool compact = true;
    std::size_t from = 0;      // no G word is left before this position
    for (;;) {
        readWordAt(b.find('G', from), 'G', FormatDecimal, 2, 2);
        if (!s.WordFound || !(std::fabs(s.WordValue) < 2147483647.0))
            break;
        const int errors = s.NCErrorCount;
        if (!apply(s.WordValue))
            return false;
        if (s.NCErrorCount != errors) {
            // A report may have put the raw block back: go on from its first G word,
            // and leave the blanks in (they read as nothing).
            compact = false;
            from = 0;
        }
        const std::size_t g = b.find('G', from);
        if (g == std::string::npos)
            break;
        from = gWordEnd(b, g);
        std::fill(b.begin() + static_cast<std::ptrdiff_t>(g), b.begin() + static_cast<std::ptrdiff_t>(from), ' ');
        if (compact)
            blanked.emplace_back(g, from);
        if (firstOnly)
            break;
    }
    if (compact && !blanked.empty()) {
        std::size_t kept = std::min(blanked.front().first, b.size());
        for (std::size_t k = 0; k < blanked.size(); ++k) {
            const std::size_t start = std::min(blanked[k].second, b.size());
            const std::size_t end = k + 1 < blanked.size() ? std::min(blanked[k + 1].first, b.size()) : b.size();
            if (start < end) {
                std::copy(b.begin() + static_cast<std::ptrdiff_t>(start), b.begin() + static_cast<std::ptrdiff_t>(end),
                          b.begin() + static_cast<std::ptrdiff_t>(kept));
                kept += end - start;
            }
        }
        b.resize(std::min(kept, b.size()));
    }
    return true;
}

// One pass: each "/" turns the nearest X, Y or Z before it that no other "/" took yet.
void NCInput::SlashToIncremental(std::string& block)
{
    std::string out;
    out.reserve(block.size());
    std::vector<std::size_t> axes; // positions in `out` of the X, Y and Z not yet turned
    for (const char c : block) {
        if (c != '/') {
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (upper == 'X' || upper == 'Y' || upper == 'Z')
                axes.push_back(out.size());
            out.push_back(c);
            continue;
        }
        if (!axes.empty()) {
            char& axis = out[axes.back()];
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(axis)));
            axis = upper == 'X' ? 'U' : upper == 'Y' ? 'V' : 'W';
            axes.pop_back();
        }
    }
    block = std::move(out);
}

void NCInput::ConvertDelimitedLine(std::string& block, std::string_view s41)
{
    static constexpr std::string_view Letters = "XYZJFM";
    const char kind = s41.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(s41[0])));
    const char delimiter = kind == 'C' ? ',' : kind == 'T' ? '\t' : '\0';
    block.insert(0, "N");
    if (delimiter == '\0')
        return;
    std::size_t field = 0;
    for (std::size_t at = block.find(delimiter); at != std::string::npos; at = block.find(delimiter, at)) {
        if (field == Letters.size()) {
            block.erase(at); // no letter is left for further fields
            break;
        }
        if (at + 1 < block.size() && block[at + 1] == delimiter)
            block.erase(at, 1);
        else
            block[at] = Letters[field];
        ++field;
    }
}

// ---- Splitting sub-programs --------------------------------------------------------

void NCInput::SplitSubPrograms()
{
    TRunState& s = m_state;
    if (s.TypedEntry || s.SubSplit || !s.ProgramLoaded)
        return;
    s.SubSplit = true;
    if (s.WorkCopyOpen)
        CloseNCFile();
    if (m_services.listing)
        m_services.listing->WriteTapeSummary();

    platform::LineReader source;
    if (source.open(s.NCFileName)) {
        std::string line;
        while (source.readLine(line))
            if (occurs(line, "M30") || occurs(line, "M02") || occurs(line, "M2"))
                break;
        const std::string savedBlock = s.Block;
        while (source.readLine(line)) {
            if (!line.empty() && line[0] == ':')
                line[0] = 'O';
            if (line.empty() || line[0] != 'O')
                continue;
            s.Block = line;
            ReadWordValue("O", FormatTrailing, 4, 0);
            const auto number = platform::truncToInt(s.WordValue);
            if (number <= 0)
                continue;
            const std::string name = platform::format("O%.4d.SUB", {static_cast<long long>(number)});
            platform::LineWriter sub;
            if (!sub.create(name))
                showError("Cannot Create [" + name + "]");
            while (source.readLine(line)) {
                sub.writeLine(line);
                if (occurs(line, "M99") || occurs(line, "M30"))
                    break;
            }
            if (sub.isOpen() && !sub.close())
                showError("Error Writing [" + name + "]");
        }
        s.Block = savedBlock;
    }
    s.KeepFileName = true;
    OpenNCFile(s.NCFileName);
    s.EndOfProgram = false;
}

} // namespace vork
