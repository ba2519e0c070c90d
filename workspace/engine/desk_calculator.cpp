#include "workspace/engine/desk_calculator.h"

#include "platform/numbers.h"

#include <cmath>

namespace mrw {

namespace {

constexpr int TapeWidth = 18;

std::string tapeNumber(double x) { return platform::strFixed(x, TapeWidth - 2, DeskCalculator::Decimals); }

char symbolOf(int op)
{
    static constexpr char Symbols[] = {' ', '+', '-', '*', '/'};
    return Symbols[op];
}

} // namespace

void DeskCalculator::press(Key key)
{
    if (m_error && key != Key::Clear && key != Key::ClearEntry)
        return;
    switch (key) {
    case Key::Point: point(); break;
    case Key::Add: operation(Op::Add); break;
    case Key::Subtract: operation(Op::Subtract); break;
    case Key::Multiply: operation(Op::Multiply); break;
    case Key::Divide: operation(Op::Divide); break;
    case Key::Equals: equals(); break;
    case Key::ChangeSign: changeSign(); break;
    case Key::Clear: clear(); break;
    case Key::ClearEntry: clearEntry(); break;
    case Key::Backspace: backspace(); break;
    case Key::MemoryClear: m_memory = 0; break;
    case Key::MemoryRecall:
        m_entering = false;
        m_shown = m_memory;
        m_fresh = true;
        break;
    case Key::MemoryStore:
        endEntry();
        m_memory = m_shown;
        break;
    case Key::MemoryAdd:
        endEntry();
        m_memory += m_shown;
        break;
    default:
        digit(static_cast<char>('0' + static_cast<int>(key) - static_cast<int>(Key::Digit0)));
        break;
    }
}

bool DeskCalculator::pressChar(char c)
{
    if (c >= '0' && c <= '9') {
        press(static_cast<Key>(static_cast<int>(Key::Digit0) + (c - '0')));
        return true;
    }
    switch (c) {
    case '.': press(Key::Point); return true;
    case '+': press(Key::Add); return true;
    case '-': press(Key::Subtract); return true;
    case '*': press(Key::Multiply); return true;
    case '/': press(Key::Divide); return true;
    case '=':
    case '\r':
    case '\n': press(Key::Equals); return true;
    default: return false;
    }
}

double DeskCalculator::value() const
{
    if (!m_entering)
        return m_shown;
    std::string text = m_entry;
    if (text.empty() || text == "-")
        return 0;
    if (text.back() == '.')
        text += '0';
    return platform::parseReal(text).value_or(0);
}

std::string DeskCalculator::display() const
{
    if (m_error)
        return "Error";
    if (!m_entering)
        return platform::formatFixed(m_shown, Decimals);
    if (m_entry.empty() || m_entry == "-")
        return m_entry + "0";
    return m_entry;
}

void DeskCalculator::clearTape()
{
    m_tape.clear();
    m_operandLines.clear();
    m_items = 0;
}

void DeskCalculator::digit(char d)
{
    if (!m_entering) {
        m_entry.clear();
        m_entering = true;
    }
    int digits = 0;
    for (char c : m_entry)
        digits += c >= '0' && c <= '9' ? 1 : 0;
    if (digits >= MaxDigits)
        return;
    if (m_entry == "0" || m_entry == "-0")
        m_entry.pop_back();
    m_entry += d;
    m_fresh = true;
}

void DeskCalculator::point()
{
    if (!m_entering) {
        m_entry.clear();
        m_entering = true;
    }
    if (m_entry.find('.') != std::string::npos)
        return;
    if (m_entry.empty() || m_entry == "-")
        m_entry += '0';
    m_entry += '.';
    m_fresh = true;
}

void DeskCalculator::endEntry()
{
    if (!m_entering)
        return;
    m_shown = value();
    m_entering = false;
}

bool DeskCalculator::apply(Op op, double x)
{
    double result = m_accumulator;
    switch (op) {
    case Op::Add: result += x; break;
    case Op::Subtract: result -= x; break;
    case Op::Multiply: result *= x; break;
    case Op::Divide: result = x == 0 ? std::nan("") : result / x; break;
    case Op::None: result = x; break;
    }
    if (!std::isfinite(result)) {
        m_error = true;
        m_pending = Op::None;
        return false;
    }
    m_accumulator = result;
    m_shown = result;
    return true;
}

void DeskCalculator::operation(Op op)
{
    const char symbol = symbolOf(static_cast<int>(op));
    if (m_pending != Op::None && !m_fresh) {
        // A second operator in a row replaces the first.
        if (!m_tape.empty() && m_operandLines.back())
            m_tape.back().back() = symbol;
        m_pending = op;
        return;
    }
    endEntry();
    const double x = m_shown;
    addTapeLine(tapeNumber(x) + " " + symbol, true);
    if (!apply(m_pending, x))
        return;
    m_pending = op;
    m_fresh = false;
}

void DeskCalculator::equals()
{
    endEntry();
    if (m_pending == Op::None) {
        m_fresh = false;
        return;
    }
    const double x = m_shown; // with no new operand the shown value counts again
    addTapeLine(tapeNumber(x) + " =", true);
    if (!apply(m_pending, x))
        return;
    addTapeLine(std::string(TapeWidth, '_'), false);
    addTapeLine(tapeNumber(m_accumulator) + "  ", false);
    m_pending = Op::None;
    m_fresh = false;
}

void DeskCalculator::changeSign()
{
    if (!m_entering && m_pending != Op::None && !m_fresh) {
        // Right after an operator the sign starts the next operand.
        m_entry = "-";
        m_entering = true;
        m_fresh = true;
        return;
    }
    if (m_entering) {
        if (!m_entry.empty() && m_entry.front() == '-')
            m_entry.erase(0, 1);
        else
            m_entry.insert(0, "-");
        return;
    }
    m_shown = -m_shown;
    m_fresh = true;
}

void DeskCalculator::clear()
{
    m_accumulator = 0;
    m_pending = Op::None;
    m_shown = 0;
    m_entry.clear();
    m_entering = false;
    m_fresh = false;
    m_error = false;
}

void DeskCalculator::clearEntry()
{
    if (m_error) {
        clear();
        return;
    }
    m_entry.clear();
    m_entering = false;
    m_shown = 0;
    m_fresh = false;
}

void DeskCalculator::backspace()
{
    if (m_entering && !m_entry.empty())
        m_entry.pop_back();
}

void DeskCalculator::addTapeLine(std::string line, bool operand)
{
    if (m_tape.size() >= TapeLimit) {
        if (m_operandLines.front())
            --m_items;
        m_tape.pop_front();
        m_operandLines.pop_front();
    }
    m_tape.push_back(std::move(line));
    m_operandLines.push_back(operand);
    if (operand)
        ++m_items;
}

} // namespace mrw
