// Output files that appear under their name only once completely written.
#pragma once

#include <cstddef>
#include <string>

#include "csv/ContactCsv.h"
#include "platform/PendingFile.h"

namespace pendrak::cli {

// The file that writing to `path` replaces: a symbolic link is followed to
// its target (which need not exist yet), so the link itself stays.
std::string OutputTarget(const std::string& path);

// Written in the target's folder where nobody sees it (on Linux an unnamed
// O_TMPFILE file where the file system has them, else a short hidden name),
// then put in place whole by Commit. Destroyed uncommitted, it leaves
// nothing; a killed program leaves at most the hidden name.
class CPendingOutput : public CCsvSink {
public:
    explicit CPendingOutput(std::string finalPath);
    ~CPendingOutput() override;
    CPendingOutput(const CPendingOutput&) = delete;
    CPendingOutput& operator=(const CPendingOutput&) = delete;

    const std::string& FinalPath() const { return m_strFinal; }
    // Creates the temporary file now; fails with CCliError when it cannot be.
    void Reserve();
    // False once a write failed (Cause says why); later writes do nothing.
    bool Write(std::string_view bytes) override;
    FileErrorCause Cause() const { return m_cause; }
    void Commit();  // fails with CCliError when the file cannot be put in place
    void Discard();

private:
    bool Failed(int systemError);
    bool Open();
    bool Publish();

    std::string m_strFinal;   // as the user named it, for messages
    std::string m_strTarget;  // the file replaced
    CPendingFile m_file;
    FileErrorCause m_cause = FileErrorCause::none;
    bool m_bOpen = false;
    bool m_bDone = false;
};

// Removes every temporary file of this program at once, for an end that
// cannot wait for the destructors.
void DiscardPendingOutputs();

// A file error's cause in a few English words.
const char* CauseText(FileErrorCause cause);

}  // namespace pendrak::cli
