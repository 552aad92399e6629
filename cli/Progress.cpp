#include "cli/Progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace pendrak::cli {

namespace {

constexpr int BAR_WIDTH = 30;

std::string Megabytes(int64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string Clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

CProgressDisplay::CProgressDisplay(std::string label, bool quiet)
    : m_strLabel(std::move(label)),
      m_bQuiet(quiet),
      m_bTerminal(isatty(fileno(stderr)) != 0),
      m_start(std::chrono::steady_clock::now()),
      m_lastDraw(m_start) {}

void CProgressDisplay::Update(int percent, int64_t bytesDone, int64_t bytesTotal) {
    if (m_bQuiet) return;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    if (m_bTerminal) {
        const auto now = std::chrono::steady_clock::now();
        if (m_bDrawn && percent == m_nLastPercent && now - m_lastDraw < std::chrono::milliseconds(250))
            return;
        m_lastDraw = now;
        m_nLastPercent = percent;
        DrawBar(percent, bytesDone, bytesTotal);
        return;
    }
    const int step = percent / 10;
    if (step <= m_nLastStep) return;
    m_nLastStep = step;
    if (bytesTotal > 0)
        std::fprintf(stderr, "%s: %d%% (%lld of %lld bytes)\n", m_strLabel.c_str(), percent,
                     static_cast<long long>(bytesDone), static_cast<long long>(bytesTotal));
    else
        std::fprintf(stderr, "%s: %d%%\n", m_strLabel.c_str(), percent);
    std::fflush(stderr);
}

void CProgressDisplay::DrawBar(int percent, int64_t bytesDone, int64_t bytesTotal) {
    const int filled = percent * BAR_WIDTH / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(BAR_WIDTH - filled), '-');
    std::string line = "\r" + m_strLabel + " [" + bar + "] ";
    char pct[8];
    std::snprintf(pct, sizeof pct, "%3d%%", percent);
    line += pct;
    if (bytesTotal > 0) line += "  " + Megabytes(bytesDone) + "/" + Megabytes(bytesTotal) + " MB";
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const double done = bytesTotal > 0 ? static_cast<double>(bytesDone) / static_cast<double>(bytesTotal)
                                       : percent / 100.0;
    if (done > 0.0 && done < 1.0 && elapsed > 0.5)
        line += "  " + Clock(elapsed * (1.0 - done) / done) + " left";
    else if (done >= 1.0)
        line += "  " + Clock(elapsed) + " total";
    line += "\x1b[K";  // clear what a longer earlier line left
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    m_bDrawn = true;
}

void CProgressDisplay::Finish() {
    if (m_bQuiet || !m_bTerminal || !m_bDrawn) return;
    std::fputs("\n", stderr);
    std::fflush(stderr);
    m_bDrawn = false;
}

}  // namespace pendrak::cli
