#include "dnc/ui/terminal_screen.h"

#include <vterm.h>

#include <algorithm>
#include <vector>

namespace dnc::ui {

namespace {

class PlainScreen : public TerminalScreen {
public:
    PlainScreen(int rows, int columns) : m_rows(rows), m_columns(columns) { clear(); }

    void feed(const std::string& bytes) override
    {
        for (const char byte : bytes) {
            const auto c = static_cast<unsigned char>(byte);
            switch (c) {
            case '\r': m_column = 0; break;
            case '\n': lineFeed(); break;
            case '\b': m_column = std::max(0, m_column - 1); break;
            case '\t': m_column = std::min(m_columns - 1, (m_column / 8 + 1) * 8); break;
            default:
                if (c < 0x20 || c == 0x7f)
                    break; // other control characters show nothing
                if (m_column >= m_columns) {
                    m_column = 0;
                    lineFeed();
                }
                m_grid[static_cast<std::size_t>(m_row * m_columns + m_column)] = c;
                ++m_column;
            }
        }
    }
    TerminalCell cell(int row, int column) const override
    {
        return TerminalCell{m_grid[static_cast<std::size_t>(row * m_columns + column)], {}, {}, false};
    }
    int cursorRow() const override { return m_row; }
    int cursorColumn() const override { return std::min(m_column, m_columns - 1); }
    void clear() override
    {
        m_grid.assign(static_cast<std::size_t>(m_rows * m_columns), U' ');
        m_row = m_column = 0;
    }

private:
    void lineFeed()
    {
        if (m_row + 1 < m_rows) {
            ++m_row;
            return;
        }
        m_grid.erase(m_grid.begin(), m_grid.begin() + m_columns);
        m_grid.insert(m_grid.end(), static_cast<std::size_t>(m_columns), U' ');
    }

    int m_rows;
    int m_columns;
    std::vector<char32_t> m_grid;
    int m_row = 0;
    int m_column = 0;
};

class AnsiScreen : public TerminalScreen {
public:
    AnsiScreen(int rows, int columns, std::function<void(const std::string&)> reply)
        : m_vt(vterm_new(rows, columns)), m_reply(std::move(reply))
    {
        // The line carries 8-bit characters, not UTF-8.
        vterm_set_utf8(m_vt, 0);
        vterm_output_set_callback(m_vt, &AnsiScreen::output, this);
        m_screen = vterm_obtain_screen(m_vt);
        vterm_screen_reset(m_screen, 1);
    }
    ~AnsiScreen() override { vterm_free(m_vt); }

    void feed(const std::string& bytes) override
    {
        vterm_input_write(m_vt, bytes.data(), bytes.size());
        vterm_screen_flush_damage(m_screen);
    }
    TerminalCell cell(int row, int column) const override
    {
        VTermScreenCell cell{};
        vterm_screen_get_cell(m_screen, VTermPos{row, column}, &cell);
        TerminalCell out;
        out.ch = cell.chars[0] ? cell.chars[0] : U' ';
        out.bold = cell.attrs.bold;
        out.foreground = color(cell.fg, VTERM_COLOR_DEFAULT_FG);
        out.background = color(cell.bg, VTERM_COLOR_DEFAULT_BG);
        if (cell.attrs.reverse) {
            std::swap(out.foreground, out.background);
            if (!out.foreground.isValid())
                out.foreground = Qt::white;
            if (!out.background.isValid())
                out.background = Qt::black;
        }
        return out;
    }
    int cursorRow() const override { return cursor().row; }
    int cursorColumn() const override { return cursor().col; }
    void clear() override { vterm_screen_reset(m_screen, 1); }

private:
    static void output(const char* bytes, size_t length, void* self)
    {
        auto* screen = static_cast<AnsiScreen*>(self);
        if (screen->m_reply)
            screen->m_reply(std::string(bytes, length));
    }
    VTermPos cursor() const
    {
        VTermPos position{};
        vterm_state_get_cursorpos(vterm_obtain_state(m_vt), &position);
        return position;
    }
    QColor color(VTermColor value, int defaultFlag) const
    {
        if (value.type & defaultFlag)
            return {};
        vterm_screen_convert_color_to_rgb(m_screen, &value);
        return QColor(value.rgb.red, value.rgb.green, value.rgb.blue);
    }

    VTerm* m_vt;
    VTermScreen* m_screen = nullptr;
    std::function<void(const std::string&)> m_reply;
};

} // namespace

std::unique_ptr<TerminalScreen> TerminalScreen::plain(int rows, int columns)
{
    return std::make_unique<PlainScreen>(rows, columns);
}

std::unique_ptr<TerminalScreen> TerminalScreen::ansi(int rows, int columns,
                                                     std::function<void(const std::string&)> reply)
{
    return std::make_unique<AnsiScreen>(rows, columns, std::move(reply));
}

} // namespace dnc::ui
