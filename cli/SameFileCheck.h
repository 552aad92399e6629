// One file named twice on a command line: an output over an input or over
// another output would destroy what the command is reading or writing.
#pragma once

#include <string>
#include <vector>

namespace pendrak::cli {

struct NamedFile {
    std::string strWhat;  // how the command line named it: "-o", "--image", "the CSV file"
    std::string strPath;  // empty: not given
};

// Fails as wrong usage when two outputs, or an output and an input, are
// one file. Files are compared, not spellings: another way to the same
// file, a hard link or a symbolic link counts as the same; outputs that do
// not exist yet are compared by the full path they will get.
void RefuseSameFiles(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs);

}  // namespace pendrak::cli
