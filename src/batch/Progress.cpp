#include "batch/Progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <system_error>
#include <vector>

#include "batch/Messages.h"

namespace rimvista::batch {

namespace {

constexpr int kBarCells = 20;
constexpr int kDefaultColumns = 80;
constexpr auto kTick = std::chrono::milliseconds(250);

std::string clockText(std::chrono::steady_clock::duration d) {
    const long long s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

// Characters of a UTF-8 text with their screen columns: wide scripts (kana, kanji) take two.
std::vector<std::pair<std::string, int>> characters(const std::string& text) {
    std::vector<std::pair<std::string, int>> chars;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        chars.emplace_back(text.substr(i, n), n >= 3 ? 2 : 1);
        i += n;
    }
    return chars;
}

// The end of the text that fits in columns; the start is what gets cut, since a file's name
// tells more than its folders.
std::string fitColumns(const std::string& text, int columns) {
    const auto chars = characters(text);
    int used = 0;
    std::size_t first = chars.size();
    while (first > 0 && used + chars[first - 1].second <= columns) used += chars[--first].second;
    if (first == 0) return text;
    std::string fitted = "…";
    used += 1;
    while (used > columns && first < chars.size()) used -= chars[first++].second;
    for (std::size_t i = first; i < chars.size(); ++i) fitted += chars[i].first;
    return fitted;
}

int terminalColumns(std::FILE* out) {
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

// The bar line for a terminal of the given width, without control characters.
std::string barLine(std::size_t done, std::size_t total, const std::string& current,
                    std::chrono::steady_clock::duration elapsed, int columns) {
    const int filled = total == 0 ? kBarCells : static_cast<int>(done * kBarCells / total);
    std::string line(1, '[');
    line.append(filled, '#').append(kBarCells - filled, '.').append("] ");
    line += std::to_string(done) + "/" + std::to_string(total) + "  " + clockText(elapsed);
    if (done > 0 && done < total)
        line += ", ~" + clockText(elapsed * (total - done) / done) + " left";
    const int room = columns - 1 - static_cast<int>(line.size()) - 2;
    if (!current.empty() && room >= 8) line += "  " + fitColumns(current, room);
    return line;
}

}  // namespace

Progress::Progress(std::size_t total, Mode mode, std::FILE* out)
    : m_total(total), m_mode(mode), m_out(out) {
    try {
        if (m_mode == Mode::Bar) m_ticker = std::thread([this] { tick(); });
    } catch (const std::system_error&) {
        // No thread for the clock: the bar is then redrawn as pictures finish.
    }
}

Progress::~Progress() {
    finish();
}

void Progress::tick() {
    std::unique_lock lock(m_mutex);
    while (!m_finished) {
        redrawLocked();
        m_wake.wait_for(lock, kTick);
    }
}

void Progress::redrawLocked() {
    if (m_mode != Mode::Bar || m_finished) return;
    const std::string line =
        barLine(done(), m_total, m_current, std::chrono::steady_clock::now() - m_start,
                terminalColumns(m_out));
    std::fprintf(m_out, "\r%s\033[K", line.c_str());
    std::fflush(m_out);
}

void Progress::started(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_current = name;
    redrawLocked();
}

void Progress::succeeded(const std::string& name, const std::string& output) {
    std::lock_guard lock(m_mutex);
    ++m_succeeded;
    if (m_mode == Mode::Lines)
        std::fprintf(m_out, "[%zu/%zu] %s -> %s\n", done(), m_total, name.c_str(), output.c_str());
    redrawLocked();
}

void Progress::kept(const std::string& name, const std::string& output) {
    std::lock_guard lock(m_mutex);
    ++m_kept;
    if (m_mode == Mode::Lines)
        std::fprintf(m_out, "[%zu/%zu] %s -> %s (%s)\n", done(), m_total, name.c_str(),
                     output.c_str(), say("already there, kept", "既にあるので残します").c_str());
    redrawLocked();
}

void Progress::failed(const std::string& name, const std::string& reason) {
    std::lock_guard lock(m_mutex);
    ++m_failed;
    if (m_mode == Mode::Bar && !m_finished) std::fputs("\r\033[K", m_out);
    if (m_mode == Mode::Lines)
        std::fprintf(m_out, "[%zu/%zu] %s: %s\n", done(), m_total, name.c_str(), reason.c_str());
    else
        std::fprintf(m_out, "%s: %s\n", name.c_str(), reason.c_str());
    redrawLocked();
}

void Progress::finish() {
    {
        std::lock_guard lock(m_mutex);
        if (m_finished) return;
        if (m_mode == Mode::Bar) {
            redrawLocked();
            std::fputs("\n", m_out);
            std::fflush(m_out);
        }
        m_finished = true;
    }
    m_wake.notify_all();
    if (m_ticker.joinable()) m_ticker.join();
}

std::size_t Progress::succeededCount() const {
    std::lock_guard lock(m_mutex);
    return m_succeeded;
}

std::size_t Progress::failedCount() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

}  // namespace rimvista::batch
