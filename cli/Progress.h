// Progress of a long transfer on stderr: a bar with percent, bytes and time
// left on a terminal, a plain line every 10% otherwise, nothing when quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace pendrak::cli {

class CProgressDisplay {
public:
    CProgressDisplay(std::string label, bool quiet);
    // bytesTotal 0 when unknown; then only the percent shows.
    void Update(int percent, int64_t bytesDone, int64_t bytesTotal);
    // Ends the bar's line; on success the bar shows its final state.
    void Finish();

private:
    void DrawBar(int percent, int64_t bytesDone, int64_t bytesTotal);

    std::string m_strLabel;
    bool m_bQuiet;
    bool m_bTerminal;
    bool m_bDrawn = false;
    int m_nLastPercent = -1;
    int m_nLastStep = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace pendrak::cli
