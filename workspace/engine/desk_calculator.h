#pragma once
// The arithmetic of the desk calculator window: four functions with change of sign,
// clear and clear entry, a memory, a display with 4 decimals and a paper tape.
// Operations chain from left to right as on a desk calculator (1 + 2 * 3 = 9).
#include <deque>
#include <string>

namespace mrw {

class DeskCalculator {
public:
    enum class Key {
        Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
        Point, Add, Subtract, Multiply, Divide, Equals, ChangeSign,
        Clear, ClearEntry, Backspace,
        MemoryClear, MemoryRecall, MemoryStore, MemoryAdd,
    };
    static constexpr int Decimals = 4;
    static constexpr std::size_t TapeLimit = 9999; // older entries scroll off
    static constexpr int MaxDigits = 15;

    void press(Key key);
    // The keyboard: digits, ".", "+", "-", "*", "/", "=" and Enter; false for other keys.
    bool pressChar(char c);

    // The value shown (the entry being typed, or the last result).
    double value() const;
    // The display: the entry as typed, a result with 4 decimals, or "Error".
    std::string display() const;
    bool error() const { return m_error; }
    bool memoryInUse() const { return m_memory != 0; }

    // Operands with their operator, "_" separators under a total, the totals.
    const std::deque<std::string>& tape() const { return m_tape; }
    // The number of operands on the tape.
    int itemCount() const { return m_items; }
    void clearTape();

private:
    enum class Op { None, Add, Subtract, Multiply, Divide };
    void digit(char d);
    void point();
    void operation(Op op);
    void equals();
    void changeSign();
    void clear();
    void clearEntry();
    void backspace();
    // Ends the entry being typed: its value becomes the shown value.
    void endEntry();
    bool apply(Op op, double x);
    void addTapeLine(std::string line, bool operand);

    double m_accumulator = 0;
    Op m_pending = Op::None;
    double m_shown = 0;
    std::string m_entry;
    bool m_entering = false;
    bool m_fresh = false; // an operand is ready since the last operator
    bool m_error = false;
    double m_memory = 0;
    std::deque<std::string> m_tape;
    std::deque<bool> m_operandLines;
    int m_items = 0;
};

} // namespace mrw
